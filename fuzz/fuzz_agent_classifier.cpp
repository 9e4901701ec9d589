// Classifies arbitrary user agents with the automaton, its cache and a plain
// search for each token in turn, and checks that all three agree.
#include "overview/agent_classifier.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray Normalised(QByteArrayView text, bool plusIsSpace)
{
    QByteArray out = text.toByteArray();
    for (char &c : out) {
        if (c >= 'A' && c <= 'Z')
            c = char(c | 0x20);
        else if (c == '+' && plusIsSpace)
            c = ' ';
    }
    return out;
}

int PlainClass(const AgentCatalogue &catalogue, const AgentClassifier &classifier, QByteArrayView agent,
               bool plusIsSpace)
{
    const QByteArray text = Normalised(agent, plusIsSpace);
    int best = -1;
    qsizetype bestLength = 0;
    for (qsizetype i = 0; i < catalogue.agents.size(); ++i)
        for (const QString &token : catalogue.agents[i].tokens) {
            const QByteArray needle = Normalised(token.toUtf8(), true);
            if (needle.size() > bestLength && text.contains(needle)) {
                best = int(i);
                bestLength = needle.size();
            }
        }
    if (best >= 0)
        return best;
    for (const char *token : {"curl/", "wget/", "python-requests", "python-urllib", "go-http-client", "java/",
                              "okhttp", "apache-httpclient", "libwww-perl", "scrapy", "headlesschrome", "axios",
                              "node-fetch"})
        if (text.contains(token))
            return classifier.scriptClass();
    for (const char *word : {"bot", "spider", "crawl", "slurp"})
        if (text.contains(word))
            return classifier.otherBotClass();
    if (agent.isEmpty() || agent == "-")
        return classifier.noAgentClass();
    return classifier.browserClass();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const AgentCatalogue catalogue = BuiltInAgentCatalogue();
    static const AgentClassifier classifier(catalogue);
    static AgentClassCache cache(classifier);
    if (size < 1)
        return 0;
    const bool plusIsSpace = data[0] & 1;
    const QByteArrayView agent(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const int direct = classifier.classify(agent, plusIsSpace);
    if (direct != PlainClass(catalogue, classifier, agent, plusIsSpace) || cache.classify(agent, plusIsSpace) != direct
        || cache.classify(agent, plusIsSpace) != direct)
        std::abort();
    return 0;
}
