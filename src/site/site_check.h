#pragma once

#include "overview/agent_catalogue.h"
#include "overview/overview_result.h"

#include <QString>
#include <QStringList>

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

// Reads the sitemaps and robots.txt of the request and adds their figures to
// every crawler of the result (not 访客, scripts or records without an
// agent), with the summaries of what was read. The result must come from a
// run that kept its targets (OverviewRequest::targets). A file that cannot be
// read is reported in the summaries; the rest goes on. May fetch addresses:
// it waits in local event loops, on the calling thread. `stop` is looked at
// between files: once set, nothing more is read or added and the result is
// marked stopped. The agents' figures are made on up to `threads` threads.
void AddSiteFigures(OverviewResult &result, const SiteRequest &request, const AgentCatalogue &catalogue,
                    const StopFlag *stop = nullptr, int threads = 1);
