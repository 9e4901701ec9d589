#pragma once

#include <QByteArray>
#include <QHttpServer>
#include <QHttpServerResponder>
#include <QList>
#include <QString>
#include <QUrl>

#include <vector>

// The ten web services on 127.0.0.1 and a free port, for the tests: each
// path answers with a result page holding the markers, in the encoding the
// service uses, and every request is recorded. A few paths misbehave on
// purpose (see the .cpp).
class FakeWebServices
{
public:
    FakeWebServices();

    QUrl base() const { return base_; }
    QString url(const QString &pathAndQuery) const { return base_.toString() + pathAndQuery; }

    struct Request
    {
        QString path;
        QString query;  // as sent, percent-encoding kept
    };
    const QList<Request> &requests() const { return requests_; }

    // The home page "/" holds the Google and the Sogou search form unless
    // told otherwise; the forms' result pages can be told never to answer.
    void setHomeHasForms(bool forms) { homeHasForms_ = forms; }
    void setResultsNeverAnswer(bool never) { resultsNeverAnswer_ = never; }

    // The values the pages hold.
    static constexpr qint64 kGoogle = 1230, kSogou = 4567, kBaidu = 1234, kYahoo = 56, kMsn = 2345, kSoso = 3456, kYoudao = 34567,
                            kSogouRank = 5, kChinaRank = 123, kAlexa = 12345;

private:
    void answer(const QHttpServerRequest &request, QHttpServerResponder &&responder);

    QHttpServer server_;
    QUrl base_;
    QList<Request> requests_;
    std::vector<QHttpServerResponder> neverAnswered_;
    bool homeHasForms_ = true;
    bool resultsNeverAnswer_ = false;
};
