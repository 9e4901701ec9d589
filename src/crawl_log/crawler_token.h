#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>

// The user-agent fragment a run looks for. It is literal text, no pattern:
// a line matches when the token occurs anywhere in it, each character of the
// token as written or in its other letter case ("GoogleBot" finds Googlebot).
// IIS writes the spaces of a user agent as '+', nginx and Apache write
// spaces: '+' and ' ' in the token match either ("Sogou web spider" finds
// Sogou+web+spider).
class CrawlerToken
{
public:
    explicit CrawlerToken(const QString &token);

    const QString &text() const { return text_; }
    bool occursIn(QStringView line) const;

    // ASCII tokens without line-end characters are searched for in the raw
    // bytes; asciiBytes() is the token then.
    bool searchableInBytes() const { return searchableInBytes_; }
    const QByteArray &asciiBytes() const { return asciiBytes_; }
    // The token as a log that percent-encodes its user agents writes it
    // (CloudFront: "Sogou%20web%20spider"); empty when the token has no space.
    const QByteArray &percentEncodedBytes() const { return percentEncodedBytes_; }

private:
    // A token character and the characters that match it.
    using Variants = std::array<char32_t, 3>;

    QString text_;
    QList<Variants> variants_;
    bool searchableInBytes_ = false;
    QByteArray asciiBytes_;
    QByteArray percentEncodedBytes_;
};
