// The entry point of the browser module, looked up by LoadBrowserFormSearcher().
#include "indexing/browser/browser_form_driver.h"

extern "C" Q_DECL_EXPORT FormSearcher *trawlex_create_form_searcher(int waitMs)
{
    return new BrowserFormDriver(waitMs);
}
