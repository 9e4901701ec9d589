#include "indexing/site_list.h"

#include "common/text_rules.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

qsizetype SiteList::indexOfKey(const QString &key) const
{
    for (qsizetype i = 0; i < entries_.size(); ++i)
        if (entries_[i].key() == key)
            return i;
    return -1;
}

bool SiteList::append(const SiteEntry &entry)
{
    if (entry.Url.isEmpty() || indexOfKey(entry.key()) >= 0)
        return false;
    entries_.append(entry);
    return true;
}

void SiteList::remove(qsizetype position)
{
    if (position >= 0 && position < entries_.size())
        entries_.removeAt(position);
}

void SiteList::setChecked(qsizetype position, bool checked)
{
    if (position >= 0 && position < entries_.size())
        entries_[position].Checked = checked;
}

void SiteList::setAllChecked(bool checked)
{
    for (SiteEntry &entry : entries_)
        entry.Checked = checked;
}

QString SiteList::cleanAddress(const QString &typed)
{
    return TrimSpaces(TrimSpaces(typed).remove(u'|'));
}

QString SiteList::cleanName(const QString &typed) { return TrimSpaces(typed).remove(u'|'); }

SiteEditResult SiteList::add(const QString &typedUrl, const QString &typedName)
{
    return place(-1, typedUrl, typedName);
}

SiteEditResult SiteList::modify(const QString &clickedKey, const QString &typedUrl, const QString &typedName)
{
    const qsizetype position = indexOfKey(clickedKey);
    return place(position >= 0 ? position : -1, typedUrl, typedName);
}

SiteEditResult SiteList::place(qsizetype replacing, const QString &typedUrl, const QString &typedName)
{
    const QString url = cleanAddress(typedUrl);
    // An address of "|" alone cleans to nothing; an entry without an address
    // would be lost at the next loading, so it is refused like an empty one.
    if (url.isEmpty())
        return SiteEditResult::EmptyAddress;
    const SiteEntry entry{url, cleanName(typedName), false};
    const qsizetype holder = indexOfKey(entry.key());
    if (holder >= 0 && holder != replacing)
        return SiteEditResult::KeyClash;
    if (replacing >= 0)
        entries_[replacing] = entry;
    else
        entries_.append(entry);
    applySort();
    return replacing >= 0 ? SiteEditResult::Replaced : SiteEditResult::Added;
}

void SiteList::sortByHeader(int column)
{
    if (column == sort_.column)
        sort_.descending = !sort_.descending;
    else
        sort_.column = column;
    sort_.on = true;
    applySort();
}

void SiteList::applySort()
{
    if (!sort_.on)
        return;
    // Chinese names sort by pinyin: 北京 (bei) before 上海 (shang).
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    auto text = [this](const SiteEntry &entry) { return sort_.column == 0 ? entry.Url : entry.Name; };
    std::stable_sort(entries_.begin(), entries_.end(), [&](const SiteEntry &a, const SiteEntry &b) {
        const int order = collator.compare(text(a), text(b));
        return sort_.descending ? order > 0 : order < 0;
    });
}
