#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// A search engine asked where a site ranks for a keyword ("kind": "serp" in
// services.json). None is built in: engines change their result pages too
// often for a definition to ship untested, so they are all the user's.
struct SerpService
{
    QString key;          // in --services and the window's remembered ticks
    QString caption;      // the tick box's text
    QString label;        // the column heading of the rank table
    QString defaultBase;  // http(s)://host[:port]
    // Path and query after the base: "{keyword}" stands for the keyword
    // percent-encoded in the engine's encoding, "{page}" for the 1-based
    // page number, "{offset}" for (page - 1) × perPage.
    QString query;
    bool utf8 = true;  // pages and keywords in UTF-8, else code page 936
    int perPage = 10;
    // One capture group: an organic result's URL or display address, found
    // again and again over the whole page, in the page's order.
    QRegularExpression results;
    QRegularExpression exclude;  // a capture it matches is not a result (an empty pattern matches none)
    QStringList captcha;         // words of a blocked page
    QString origin;              // the file it comes from
};
