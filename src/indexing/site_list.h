#pragma once

#include <QList>
#include <QString>

// One site of the indexing list.
struct SiteEntry
{
    QString Url;   // trimmed, never empty, no "|"
    QString Name;  // may be empty, no "|"
    bool Checked = false;

    QString key() const { return Url.toLower(); }
};

// How the list is sorted: a header click on the sort column reverses the
// order, on another column makes that the sort column and keeps the order.
// Sorting starts off and, once on, stays on.
struct SiteSort
{
    int column = 0;  // 0 "网址", 1 "名称"
    bool descending = false;
    bool on = false;
};

// What an add or modify did, for the window to follow up on.
enum class SiteEditResult {
    EmptyAddress,  // nothing changed; the address field gets the focus
    Added,
    Replaced,
    KeyClash,      // another entry has the address already: nothing changed
};

// The sites in display order with unique keys (the address in lower case).
// Positions count from 0 here; the window shows them from 1.
class SiteList
{
public:
    const QList<SiteEntry> &entries() const { return entries_; }
    qsizetype size() const { return entries_.size(); }
    const SiteEntry &at(qsizetype position) const { return entries_.at(position); }
    qsizetype indexOfKey(const QString &key) const;

    // Appends an entry (as loading does); false when the key is taken.
    bool append(const SiteEntry &entry);
    void remove(qsizetype position);
    void setChecked(qsizetype position, bool checked);
    void setAllChecked(bool checked);

    // The address and name fields as typed. The address is trimmed, rid of
    // every "|" and trimmed again; the name trimmed and rid of "|". A new
    // entry goes at the end, a modified one (found by the key it had when it
    // was clicked, so a re-sort in between does not matter) stays in its place
    // and loses its check mark. With sorting on, the list is sorted again.
    SiteEditResult add(const QString &typedUrl, const QString &typedName);
    SiteEditResult modify(const QString &clickedKey, const QString &typedUrl, const QString &typedName);

    // A click on the header of column 0 ("网址") or 1 ("名称").
    void sortByHeader(int column);
    const SiteSort &sort() const { return sort_; }

    static QString cleanAddress(const QString &typed);
    static QString cleanName(const QString &typed);

private:
    SiteEditResult place(qsizetype replacing, const QString &typedUrl, const QString &typedName);
    void applySort();

    QList<SiteEntry> entries_;
    SiteSort sort_;
};
