#include "common/text_rules.h"

QString TrimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin).toString();
}

QString ChineseDateTimeText(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyy年M月d日 HH:mm:ss"));
}
