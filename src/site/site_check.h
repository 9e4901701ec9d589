#pragma once

#include "overview/agent_catalogue.h"
#include "overview/overview_result.h"
#include "site/robots_txt.h"
#include "site/sitemap_reader.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QThread;
class StopFlag;

// What the overview is asked about the site besides the logs.
struct SiteRequest
{
    QStringList sitemaps;  // files or http(s) addresses
    QString robots;        // a file or an http(s) address; empty: none
    QString siteHost;      // empty: the host of the first sitemap URL
    int staleDays = 30;

    bool any() const { return !sitemaps.isEmpty() || !robots.isEmpty(); }
};

// The site's files as read, with the summaries of what was read.
struct SiteFiles
{
    std::optional<SitemapSet> sitemap;          // none: no sitemap asked for
    std::optional<RobotsTxt> robots;            // none: none asked for, or it could not be read
    std::optional<RobotsTxtSummary> robotsTxt;  // none: none asked for
    bool stopped = false;                       // the stop came before every file was read
};

// Reads the sitemaps and robots.txt of the request. A file that cannot be
// read is reported in the summaries; the rest goes on. May fetch addresses:
// it waits in local event loops, on the calling thread. `stop` ends the
// reading: a download within 50 ms, local files between files.
SiteFiles ReadSiteFiles(const SiteRequest &request, const StopFlag *stop = nullptr);

// Reads the site's files on a thread of its own from the moment it is made,
// so that they are read, and fetched, while the logs are. take() waits for
// the reading to end, and so does the destructor (set the stop first to
// leave early).
class SiteFilesReader
{
public:
    SiteFilesReader(SiteRequest request, const StopFlag *stop);
    ~SiteFilesReader();
    SiteFilesReader(const SiteFilesReader &) = delete;
    SiteFilesReader &operator=(const SiteFilesReader &) = delete;

    SiteFiles take();

private:
    SiteFiles files_;  // written by the thread, read once it has ended
    std::unique_ptr<QThread> thread_;
};

// Adds the figures of the site's files, read for `request`, to every crawler
// of the result (not 访客, scripts or records without an agent), with the
// summaries of what was read. The result must come from a run that kept its
// targets (OverviewRequest::targets). Files whose reading was stopped give
// no figure: the result is marked stopped. The agents' figures are made on
// up to `threads` threads.
void AddSiteFigures(OverviewResult &result, SiteFiles files, const SiteRequest &request,
                    const AgentCatalogue &catalogue, int threads = 1);
