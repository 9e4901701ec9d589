#pragma once

#include "ranking/rank_run.h"

#include <QDate>
#include <QString>

// Keeps a finished keyword-ranking run in a site's store (the tables
// rank_runs and ranks, docs/store.md) and gives in `previous` the answers of
// the runs before it for the same site: per keyword and engine, the latest
// one that gave a rank or "N名以外" (RankResults::previous). Failed queries
// are not kept. Empty on success, else why not, in Chinese; `previous` is
// then left as it was.
QString KeepRankRun(const QString &storePath, const RankResults &results, QDate day,
                    QList<QList<RankCell>> &previous);
