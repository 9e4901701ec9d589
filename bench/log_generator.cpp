// trawlex-loggen: writes realistic IIS 10 access logs (W3C extended format,
// CR LF), nginx "combined" logs or the logs of CDNs, load balancers and JSON
// loggers, plain or compressed, for the examples, the tests and the benchmark. The same seed gives the same bytes on every machine.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>

#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

class Random
{
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()  // splitmix64
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    std::size_t below(std::size_t n) { return std::size_t(next() % n); }

private:
    std::uint64_t state_;
};

struct WeightedAgent
{
    double weight;
    const char *agent;
};

// About 18% of the requests come from crawlers, Baidu's the most.
const std::array<WeightedAgent, 11> kCrawlers = {{
    {0.070, "Mozilla/5.0+(compatible;+Baiduspider/2.0;++http://www.baidu.com/search/spider.html)"},
    {0.035, "Mozilla/5.0+(compatible;+Googlebot/2.1;++http://www.google.com/bot.html)"},
    {0.020, "Sogou+web+spider/4.0(+http://www.sogou.com/docs/help/webmasters.htm#07)"},
    {0.014, "msnbot/2.0b+(+http://search.msn.com/msnbot.htm)"},
    {0.010, "Mozilla/5.0+(compatible;+Yahoo!+Slurp;+http://help.yahoo.com/help/us/ysearch/slurp)"},
    {0.008, "Mozilla/5.0+(compatible;+YodaoBot/1.0;+http://www.yodao.com/help/webmaster/spider/;+)"},
    {0.008, "Sosospider+(+http://help.soso.com/webspider.htm)"},
    {0.006, "ia_archiver+(+http://www.alexa.com/site/help/webmasters;+crawler@alexa.com)"},
    {0.003, "Scooter/3.3"},
    {0.003, "Lycos_Spider_(T-Rex)/3.0"},
    {0.003, "FAST-WebCrawler/3.8+(atw-crawler+at+fast+dot+no;+http://fast.no/support/crawler.asp)"},
}};

const std::array<const char *, 5> kBrowsers = {{
    "Mozilla/5.0+(Windows+NT+10.0;+Win64;+x64)+AppleWebKit/537.36+(KHTML,+like+Gecko)+Chrome/120.0.0.0+Safari/537.36",
    "Mozilla/5.0+(Windows+NT+10.0;+Win64;+x64;+rv:121.0)+Gecko/20100101+Firefox/121.0",
    "Mozilla/5.0+(iPhone;+CPU+iPhone+OS+17_1+like+Mac+OS+X)+AppleWebKit/605.1.15+(KHTML,+like+Gecko)+Version/17.1+Mobile/15E148+Safari/604.1",
    "Mozilla/5.0+(Linux;+Android+13;+SM-S9180)+AppleWebKit/537.36+(KHTML,+like+Gecko)+Chrome/119.0.0.0+Mobile+Safari/537.36",
    "Mozilla/4.0+(compatible;+MSIE+8.0;+Windows+NT+5.1;+Trident/4.0)",
}};

// The overview's mix (--mix overview): about 30% of the requests from 20
// crawlers and tools of today, each from its own few addresses; visitors from
// a pool of addresses; every status class; each file spans a week.
const std::array<WeightedAgent, 21> kOverviewCrawlers = {{
    {0.060, "Mozilla/5.0+(compatible;+Baiduspider/2.0;++http://www.baidu.com/search/spider.html)"},
    {0.040, "Mozilla/5.0+(compatible;+Googlebot/2.1;++http://www.google.com/bot.html)"},
    {0.010, "Googlebot-Image/1.0"},
    {0.030, "Mozilla/5.0+(compatible;+bingbot/2.0;++http://www.bing.com/bingbot.htm)"},
    {0.030, "Mozilla/5.0+(Linux;+Android+5.0)+AppleWebKit/537.36+(KHTML,+like+Gecko)+Mobile+Safari/537.36+(compatible;+"
            "Bytespider;+spider-feedback@bytedance.com)"},
    {0.020, "Sogou+web+spider/4.0(+http://www.sogou.com/docs/help/webmasters.htm#07)"},
    {0.015, "Mozilla/5.0+(Linux;+U;+Android+4.4.4;+zh-cn)+AppleWebKit/537.36+(KHTML,+like+Gecko)+Version/4.0+Mobile+"
            "Safari/537.36+YisouSpider/5.0"},
    {0.010, "Mozilla/5.0+(compatible;+MSIE+9.0;+Windows+NT+6.1;+Trident/5.0);+360Spider"},
    {0.010, "Mozilla/5.0+(compatible;+YandexBot/3.0;++http://yandex.com/bots)"},
    {0.010, "Mozilla/5.0+(Linux;+Android+7.0;)+AppleWebKit/537.36+(KHTML,+like+Gecko)+Mobile+Safari/537.36+(compatible;+"
            "PetalBot;+https://webmaster.petalsearch.com/site/petalbot)"},
    {0.005, "Mozilla/5.0+(Macintosh;+Intel+Mac+OS+X+10_15_5)+AppleWebKit/605.1.15+(KHTML,+like+Gecko)+Version/13.1.1+"
            "Safari/605.1.15+(Applebot/0.1;++http://www.apple.com/go/applebot)"},
    {0.015, "Mozilla/5.0+AppleWebKit/537.36+(KHTML,+like+Gecko;+compatible;+GPTBot/1.2;++https://openai.com/gptbot)"},
    {0.010, "Mozilla/5.0+AppleWebKit/537.36+(KHTML,+like+Gecko;+compatible;+ClaudeBot/1.0;++claudebot@anthropic.com)"},
    {0.015, "Mozilla/5.0+(compatible;+AhrefsBot/7.0;++http://ahrefs.com/robot/)"},
    {0.010, "Mozilla/5.0+(compatible;+SemrushBot/7~bl;++http://www.semrush.com/bot.html)"},
    {0.003, "facebookexternalhit/1.1+(+http://www.facebook.com/externalhit_uatext.php)"},
    {0.002, "Mozilla/5.0+(compatible;+UptimeRobot/2.0;+http://www.uptimerobot.com/)"},
    {0.005, "Mozilla/5.0+(compatible;+SiteCrawler/1.0)"},
    {0.006, "curl/8.4.0"},
    {0.004, "python-requests/2.31.0"},
    {0.002, "-"},
}};

struct WeightedStatus
{
    double weight;
    int status;
};

const std::array<WeightedStatus, 10> kOverviewStatuses = {{
    {0.75, 200}, {0.05, 206}, {0.03, 301}, {0.02, 302}, {0.05, 304},
    {0.06, 404}, {0.01, 403}, {0.01, 410}, {0.015, 500}, {0.005, 503},
}};
constexpr int kOverviewDaysPerFile = 7;
constexpr std::size_t kOverviewVisitors = 200000;

const std::array<const char *, 6> kReferers = {{
    "-", "-", "https://www.baidu.com/s?wd=%E6%96%B0%E9%97%BB", "https://www.google.com/", "https://www.sogou.com/web?query=news",
    "https://cn.bing.com/search?q=site",
}};

const std::array<const char *, 9> kSections = {{
    "news", "News", "products", "Products/Detail", "about", "blog", "images", "新闻中心", "下载/软件",
}};
const std::array<const char *, 6> kExtensions = {{".htm", ".html", ".aspx", ".jpg", ".css", ".js"}};
const std::array<const char *, 6> kNames = {{"index", "Index", "list", "show", "文章", "page"}};

std::vector<std::string> makePaths(Random &random, std::size_t count)
{
    std::vector<std::string> paths;
    paths.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string path = "/";
        path += kSections[random.below(kSections.size())];
        path += '/';
        path += kNames[random.below(kNames.size())];
        path += std::to_string(i);
        path += kExtensions[random.below(kExtensions.size())];
        paths.push_back(std::move(path));
    }
    return paths;
}

const char *pickAgent(Random &random)
{
    double u = random.unit();
    for (const WeightedAgent &crawler : kCrawlers) {
        if (u < crawler.weight)
            return crawler.agent;
        u -= crawler.weight;
    }
    return kBrowsers[random.below(kBrowsers.size())];
}

// The site's pages and how requests pick them: popular pages most, or
// (--walk) every page in turn, as a crawl of a large site with dynamic URLs
// does, so that nearly every request asks for a page not asked before.
struct Site
{
    std::vector<std::string> paths;
    bool walk = false;
    std::size_t walked = 0;
};

std::string pickPath(Random &random, Site &site)
{
    // A stride prime to the page count visits every page once per round.
    constexpr std::size_t kStride = 1000003;
    const std::vector<std::string> &paths = site.paths;
    const double u = random.unit();
    std::string path = site.walk ? paths[(site.walked++ * kStride) % paths.size()]
                                 : paths[std::size_t(double(paths.size()) * u * u * u)];
    // Now and then a link in other letter case.
    if (random.below(20) == 0)
        for (char &c : path)
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
    return path;
}

// One request of the overview's mix: who asked, as what, and the answer.
struct Visit
{
    std::string client;
    std::string agent;
    int status = 200;
};

// The many-pages mix (--mix trio): Baiduspider, Googlebot and a browser, a
// third each, from a few addresses each.
Visit pickTrioVisit(Random &random)
{
    const std::size_t who = random.below(3);
    Visit visit;
    visit.agent = who == 2 ? kBrowsers[0] : kOverviewCrawlers[who].agent;
    visit.client = "66.10" + std::to_string(who) + ".0." + std::to_string(1 + random.below(60));
    visit.status = random.below(25) == 0 ? 404 : 200;
    return visit;
}

Visit pickOverviewVisit(Random &random)
{
    Visit visit;
    double u = random.unit();
    std::size_t crawler = 0;
    while (crawler < kOverviewCrawlers.size() && u >= kOverviewCrawlers[crawler].weight)
        u -= kOverviewCrawlers[crawler++].weight;
    char address[64];
    if (crawler < kOverviewCrawlers.size()) {
        visit.agent = kOverviewCrawlers[crawler].agent;
        std::snprintf(address, sizeof address, "66.%zu.%zu.%zu", 100 + crawler, random.below(4), 1 + random.below(60));
    } else {
        visit.agent = kBrowsers[random.below(kBrowsers.size())];
        const std::size_t visitor = random.below(kOverviewVisitors) * 2654435761u;
        std::snprintf(address, sizeof address, "%zu.%zu.%zu.%zu", 1 + visitor % 223, (visitor >> 8) % 256,
                      (visitor >> 16) % 256, 1 + (visitor >> 24) % 254);
    }
    visit.client = address;
    u = random.unit();
    for (const WeightedStatus &status : kOverviewStatuses) {
        visit.status = status.status;
        if (u < status.weight)
            break;
        u -= status.weight;
    }
    return visit;
}

// Where the text of one log goes: a plain file, or one compressed as it is
// written (gzip level 6, as logrotate's default; zstd at its default level).
class LogSink
{
public:
    virtual ~LogSink() = default;
    virtual bool write(const std::string &text) = 0;
    virtual bool finish() = 0;
};

class PlainSink final : public LogSink
{
public:
    explicit PlainSink(const QString &name) : file_(name) { open_ = file_.open(QIODevice::WriteOnly | QIODevice::Truncate); }
    bool write(const std::string &text) override
    {
        return open_ && file_.write(text.data(), qint64(text.size())) == qint64(text.size());
    }
    bool finish() override { return open_ && file_.flush(); }

private:
    QFile file_;
    bool open_;
};

class GzipSink final : public LogSink
{
public:
    explicit GzipSink(const QString &name) : file_(gzopen(QFile::encodeName(name).constData(), "wb6")) {}
    ~GzipSink() override
    {
        if (file_)
            gzclose(file_);
    }
    bool write(const std::string &text) override
    {
        return file_ && gzwrite(file_, text.data(), unsigned(text.size())) == int(text.size());
    }
    bool finish() override
    {
        const bool ok = file_ && gzclose(file_) == Z_OK;
        file_ = nullptr;
        return ok;
    }

private:
    gzFile file_;
};

class ZstdSink final : public LogSink
{
public:
    explicit ZstdSink(const QString &name) : file_(name), context_(ZSTD_createCCtx())
    {
        open_ = file_.open(QIODevice::WriteOnly | QIODevice::Truncate) && context_;
    }
    ~ZstdSink() override { ZSTD_freeCCtx(context_); }
    bool write(const std::string &text) override { return compress(text, ZSTD_e_continue); }
    bool finish() override { return compress({}, ZSTD_e_end) && file_.flush(); }

private:
    bool compress(const std::string &text, ZSTD_EndDirective mode)
    {
        if (!open_)
            return false;
        ZSTD_inBuffer in{text.data(), text.size(), 0};
        std::vector<char> out(ZSTD_CStreamOutSize());
        for (;;) {
            ZSTD_outBuffer buffer{out.data(), out.size(), 0};
            const size_t left = ZSTD_compressStream2(context_, &buffer, &in, mode);
            if (ZSTD_isError(left) || file_.write(out.data(), qint64(buffer.pos)) != qint64(buffer.pos))
                return false;
            if (mode == ZSTD_e_end ? left == 0 : in.pos == in.size)
                return true;
        }
    }

    QFile file_;
    ZSTD_CCtx *context_;
    bool open_;
};

std::unique_ptr<LogSink> openSink(const QString &name, const QString &compression)
{
    if (compression == QLatin1String("gzip"))
        return std::make_unique<GzipSink>(name);
    if (compression == QLatin1String("zstd"))
        return std::make_unique<ZstdSink>(name);
    return std::make_unique<PlainSink>(name);
}

// One IIS 10 request line (W3C extended, CR LF); the overview's mix gives the
// visit, else the crawl run's mix draws it here.
void appendW3cLine(std::string &text, const std::string &day, int second, Random &random,
                   Site &site, const Visit *visit)
{
    char number[160];
    std::snprintf(number, sizeof number, "%s %02d:%02d:%02d 10.0.0.5 GET ", day.c_str(), (second / 3600) % 24,
                  (second / 60) % 60, second % 60);
    text += number;
    text += pickPath(random, site);
    text += random.below(4) == 0 ? " id=" + std::to_string(random.below(1000)) : std::string(" -");
    if (visit) {
        text += " 80 - " + visit->client + ' ' + visit->agent + ' ' + kReferers[random.below(kReferers.size())];
        std::snprintf(number, sizeof number, " %d 0 0 %zu\r\n", visit->status, random.below(900) + 15);
        text += number;
        return;
    }
    std::snprintf(number, sizeof number, " 80 - %zu.%zu.%zu.%zu ", 61 + random.below(160), random.below(256),
                  random.below(256), 1 + random.below(254));
    text += number;
    text += pickAgent(random);
    text += ' ';
    text += kReferers[random.below(kReferers.size())];
    const bool missing = random.below(25) == 0;
    std::snprintf(number, sizeof number, " %d 0 %d %zu\r\n", missing ? 404 : 200, missing ? 2 : 0,
                  random.below(900) + 15);
    text += number;
}

// One request of a line-per-request log, drawn once and written in any of
// the formats below, so that the same seed gives the same requests whatever
// the format.
struct Request
{
    QDate date;
    int second = 0;
    std::string client;
    std::string path;
    std::string query;  // without its '?'; empty when none
    int status = 200;
    std::size_t bytes = 0;
    std::string referer;
    std::string agent;  // with its spaces ("-" for none)
};

Request drawRequest(const QDate &date, int second, Random &random, Site &site, const Visit *visit)
{
    Request request{date, second, {}, {}, {}, 200, 0, {}, {}};
    if (visit) {
        request.client = visit->client;
    } else {
        char address[64];
        std::snprintf(address, sizeof address, "%zu.%zu.%zu.%zu", 61 + random.below(160), random.below(256),
                      random.below(256), 1 + random.below(254));
        request.client = address;
    }
    request.path = pickPath(random, site);
    if (random.below(4) == 0)
        request.query = "id=" + std::to_string(random.below(1000));
    const bool missing = !visit && random.below(25) == 0;
    request.status = visit ? visit->status : missing ? 404 : 200;
    request.bytes = random.below(90000) + 150;
    request.referer = kReferers[random.below(kReferers.size())];
    request.agent = visit ? visit->agent : pickAgent(random);
    std::replace(request.agent.begin(), request.agent.end(), '+', ' ');
    return request;
}

// The site's own files beside the logs: a sitemap of 50,000 URLs (every
// page of the site, then pages no log asks for) and a robots.txt of 200
// lines in a few groups, with wildcards and '$' among the patterns.
bool writeSiteFiles(const QString &folder, const std::vector<std::string> &paths)
{
    QDir().mkpath(folder);
    std::string sitemap = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n";
    constexpr std::size_t kSitemapUrls = 50000;
    for (std::size_t i = 0; i < kSitemapUrls; ++i)
        sitemap += "<url><loc>https://www.example.com"
            + (i < paths.size() ? paths[i] : "/archive/page" + std::to_string(i) + ".html") + "</loc></url>\n";
    sitemap += "</urlset>\n";
    std::string robots;
    const char *const groups[] = {"Baiduspider", "Googlebot", "bingbot", "GPTBot", "*"};
    int lines = 0;
    for (const char *group : groups) {
        robots += std::string("User-agent: ") + group + "\n";
        ++lines;
        for (int rule = 0; rule < 39; ++rule, ++lines) {
            const char *section = kSections[std::size_t(rule) % kSections.size()];
            switch (rule % 4) {
            case 0: robots += std::string("Disallow: /") + section + "/list" + std::to_string(rule) + "\n"; break;
            case 1: robots += std::string("Disallow: /*") + kExtensions[std::size_t(rule) % kExtensions.size()] + "$\n"; break;
            case 2: robots += std::string("Allow: /") + section + "/index\n"; break;
            default: robots += "Disallow: /*?id=" + std::to_string(rule) + "\n"; break;
            }
        }
    }
    for (const auto &[name, text] : {std::pair{"sitemap.xml", &sitemap}, std::pair{"robots.txt", &robots}}) {
        QFile file(folder + u'/' + QLatin1String(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(text->data(), qint64(text->size())) != qint64(text->size()))
            return false;
    }
    return lines == 200;
}

std::string target(const Request &r) { return r.query.empty() ? r.path : r.path + '?' + r.query; }

// "01/Nov/2026:08:05:09 +0800": the wall time; its offset is not read.
std::string clfTime(const Request &r)
{
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%.3s/%04d:%02d:%02d:%02d +0800", r.date.day(), months + 3 * (r.date.month() - 1),
                  r.date.year(), r.second / 3600, (r.second / 60) % 60, r.second % 60);
    return text;
}

// The same wall time as UTC, for the logs that write one.
std::string isoTime(const Request &r)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", r.date.year(), r.date.month(), r.date.day(),
                  r.second / 3600, (r.second / 60) % 60, r.second % 60);
    return text;
}

qint64 unixTime(const Request &r) { return QDate(1970, 1, 1).daysTo(r.date) * 86400 + r.second; }

std::string jsonText(const std::string &text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string percentEncoded(const std::string &text)
{
    std::string encoded;
    for (unsigned char c : text) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        encoded += c == ' ' || c == '%' || c < 0x20 ? std::string(hex) : std::string(1, char(c));
    }
    return encoded;
}

// One line (LF) of a format by its name: nginx "combined", or a CDN's,
// load balancer's or JSON logger's as its vendor describes it.
std::string formatLine(const std::string &format, const Request &r)
{
    const std::string status = std::to_string(r.status);
    const std::string bytes = std::to_string(r.bytes);
    const std::string time = clfTime(r);
    char compact[32];
    std::snprintf(compact, sizeof compact, "%04d%02d%02d%02d%02d%02d", r.date.year(), r.date.month(), r.date.day(),
                  r.second / 3600, (r.second / 60) % 60, r.second % 60);
    if (format == "combined")
        return r.client + " - - [" + time + "] \"GET " + target(r) + " HTTP/1.1\" " + status + ' ' + bytes + " \""
            + r.referer + "\" \"" + r.agent + "\"\n";
    if (format == "aliyun-cdn")
        return '[' + time + "] " + r.client + " - 12 \"" + r.referer + "\" \"GET http://www.example.com" + target(r)
            + "\" " + status + " 320 " + bytes + " HIT \"" + r.agent + "\" \"text/html\"\n";
    if (format == "tencent-cdn")
        return std::string(compact) + ' ' + r.client + " www.example.com " + target(r) + ' ' + bytes + " 22 2 " + status
            + ' ' + r.referer + " 0.012 " + r.agent + " - GET HTTP/1.1 hit 54321\n";
    if (format == "huawei-cdn")
        return '[' + time + "] " + r.client + " 3 \"" + r.referer + "\" \"HTTP/1.1\" \"GET\" \"www.example.com\" \""
            + target(r) + "\" " + status + ' ' + bytes + " HIT \"" + r.agent + "\" \"-\"\n";
    if (format == "cloudfront")
        return r.date.toString(QStringLiteral("yyyy-MM-dd")).toStdString() + '\t' + isoTime(r).substr(11, 8)
            + "\tSFO5-C1\t" + bytes + '\t' + r.client + "\tGET\td111111abcdef8.cloudfront.net\t" + r.path + '\t'
            + status + '\t' + r.referer + '\t' + percentEncoded(r.agent) + '\t' + (r.query.empty() ? "-" : r.query)
            + "\t-\tHit\tSOX4xwn4XV6Q4rgb7XiVGOHms_BGlTAC4KyHmureZmBNrjGdRLiNIQ==\twww.example.com\thttps\t40\t0.001\n";
    if (format == "aws-alb")
        return "https " + isoTime(r) + " app/my-lb/50dc6c495c0c9188 " + r.client + ":41234 10.0.0.1:80 0.000 0.001 0.000 "
            + status + ' ' + status + " 210 " + bytes + " \"GET https://www.example.com:443" + target(r)
            + " HTTP/1.1\" \"" + r.agent + "\" ECDHE-RSA-AES128-GCM-SHA256 TLSv1.2 "
              "arn:aws:elasticloadbalancing:us-east-2:123456789012:targetgroup/my-targets/73e2d6bc24d8a067 "
              "\"Root=1-58337262-36d228ad5d99923122bbe354\" \"www.example.com\" \"-\" 0 " + isoTime(r)
            + " \"forward\" \"-\" \"-\" \"10.0.0.1:80\" \"" + status + "\" \"-\" \"-\"\n";
    const std::string agent = jsonText(r.agent);
    if (format == "caddy")
        return "{\"level\":\"info\",\"ts\":" + std::to_string(unixTime(r)) + ".25,\"logger\":\"http.log.access\","
            "\"msg\":\"handled request\",\"request\":{\"remote_ip\":" + jsonText(r.client) + ",\"remote_port\":\"41342\","
            "\"proto\":\"HTTP/1.1\",\"method\":\"GET\",\"host\":\"www.example.com\",\"uri\":" + jsonText(target(r))
            + ",\"headers\":{\"Accept\":[\"*/*\"],\"User-Agent\":[" + agent + "]}},\"bytes_read\":0,\"duration\":0.0009,"
            "\"size\":" + bytes + ",\"status\":" + status + ",\"resp_headers\":{\"Server\":[\"Caddy\"]}}\n";
    if (format == "traefik")
        return "{\"ClientHost\":" + jsonText(r.client) + ",\"DownstreamContentSize\":" + bytes + ",\"DownstreamStatus\":"
            + status + ",\"RequestHost\":\"www.example.com\",\"RequestMethod\":\"GET\",\"RequestPath\":"
            + jsonText(target(r)) + ",\"StartUTC\":\"" + isoTime(r) + "\",\"request_User-Agent\":" + agent + "}\n";
    if (format == "cloudflare")
        return "{\"ClientIP\":" + jsonText(r.client) + ",\"ClientRequestHost\":\"www.example.com\","
            "\"ClientRequestMethod\":\"GET\",\"ClientRequestURI\":" + jsonText(target(r)) + ",\"ClientRequestUserAgent\":"
            + agent + ",\"EdgeResponseBytes\":" + bytes + ",\"EdgeResponseStatus\":" + status
            + ",\"EdgeStartTimestamp\":" + std::to_string(unixTime(r)) + "000000000}\n";
    if (format == "edgeone")
        return "{\"ClientIP\":" + jsonText(r.client) + ",\"EdgeResponseBytes\":" + bytes + ",\"EdgeResponseStatusCode\":"
            + status + ",\"RequestHost\":\"www.example.com\",\"RequestMethod\":\"GET\",\"RequestTime\":\"" + isoTime(r)
            + "\",\"RequestUA\":" + agent + ",\"RequestUrl\":" + jsonText(r.path) + ",\"RequestUrlQueryString\":"
            + jsonText(r.query) + "}\n";
    // nginx-json
    return "{\"time_local\":\"" + time + "\",\"remote_addr\":" + jsonText(r.client)
        + ",\"http_x_forwarded_for\":\"-\",\"request\":\"GET " + target(r) + " HTTP/1.1\",\"status\":\"" + status
        + "\",\"body_bytes_sent\":\"" + bytes + "\",\"http_user_agent\":" + agent + "}\n";
}

const QStringList kLineFormats = {"combined", "aliyun-cdn", "tencent-cdn", "huawei-cdn", "cloudfront", "aws-alb",
                                  "caddy",    "traefik",    "cloudflare",  "edgeone",    "nginx-json"};

// What a format's file begins with.
std::string header(const QString &format, const std::string &day)
{
    if (format == QLatin1String("w3c"))
        return "#Software: Microsoft Internet Information Services 10.0\r\n#Version: 1.0\r\n#Date: " + day
            + " 00:00:00\r\n#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip "
              "cs(User-Agent) cs(Referer) sc-status sc-substatus sc-win32-status time-taken\r\n";
    if (format == QLatin1String("cloudfront"))
        return "#Version: 1.0\n#Fields: date time x-edge-location sc-bytes c-ip cs-method cs(Host) cs-uri-stem sc-status "
               "cs(Referer) cs(User-Agent) cs-uri-query cs(Cookie) x-edge-result-type x-edge-request-id x-host-header "
               "cs-protocol cs-bytes time-taken\n";
    return {};
}

enum class Mix { Crawl, Overview, Trio };

bool writeLog(LogSink &sink, const QString &format, Mix mix, const QDate &date, qint64 targetBytes,
              qint64 lineLimit, Random &random, Site &site)
{
    const bool overviewMix = mix != Mix::Crawl;
    const int days = mix == Mix::Overview ? kOverviewDaysPerFile : 1;
    const bool w3c = format == QLatin1String("w3c");
    const std::string lineFormat = format.toStdString();
    std::string day = date.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    std::string text = header(format, day);
    qint64 written = 0;
    for (qint64 line = 0; (lineLimit > 0 ? line < lineLimit : written + qint64(text.size()) < targetBytes); ++line) {
        const qint64 moment = line * 86400 * days / (lineLimit > 0 ? lineLimit : std::max<qint64>(1, targetBytes / 180));
        const int second = int(moment % 86400);
        const QDate lineDate = date.addDays(moment / 86400);
        if (days > 1)
            day = lineDate.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
        const Visit visit = mix == Mix::Overview ? pickOverviewVisit(random)
            : mix == Mix::Trio                   ? pickTrioVisit(random)
                                                 : Visit{};
        if (w3c)
            appendW3cLine(text, day, second, random, site, overviewMix ? &visit : nullptr);
        else
            text += formatLine(lineFormat, drawRequest(lineDate, second, random, site, overviewMix ? &visit : nullptr));
        if (text.size() > (1u << 20)) {
            if (!sink.write(text))
                return false;
            written += qint64(text.size());
            text.clear();
        }
    }
    return sink.write(text) && sink.finish();
}

// IIS names a log by its day; logrotate numbers the older files, the newest
// is access.log; CDNs and load balancers name theirs by host, hour and time.
QString logName(const QString &format, int index, int count, const QDate &date)
{
    const QString ymd = date.toString(QStringLiteral("yyyyMMdd"));
    if (format == QLatin1String("w3c"))
        return QStringLiteral("u_ex") + date.toString(QStringLiteral("yyMMdd")) + QStringLiteral(".log");
    if (format == QLatin1String("aliyun-cdn"))
        return QStringLiteral("www.example.com_") + date.toString(QStringLiteral("yyyy_MM_dd")) + QStringLiteral("_000000_010000");
    if (format == QLatin1String("tencent-cdn") || format == QLatin1String("huawei-cdn"))
        return ymd + QStringLiteral("00-www.example.com");
    if (format == QLatin1String("cloudfront"))
        return QStringLiteral("EMLARXS9EXAMPLE.") + date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("-00.a1b2c3d4");
    if (format == QLatin1String("aws-alb"))
        return QStringLiteral("123456789012_elasticloadbalancing_us-east-2_app.my-lb.50dc6c495c0c9188_") + ymd
            + QStringLiteral("T0000Z_192.0.2.1_2et2e1mx.log");
    if (format != QLatin1String("combined"))
        return format + u'-' + ymd + QStringLiteral(".json");
    QString name = QStringLiteral("access.log");
    if (index + 1 < count)
        name += u'.' + QString::number(count - 1 - index);
    return name;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes realistic IIS 10 or nginx access logs."));
    parser.addHelpOption();
    const QCommandLineOption files(QStringLiteral("files"), QStringLiteral("number of log files"), QStringLiteral("N"),
                                   QStringLiteral("4"));
    const QCommandLineOption bytes(QStringLiteral("bytes"), QStringLiteral("total size of all files"),
                                   QStringLiteral("BYTES"), QString::number(1LL << 30));
    const QCommandLineOption lines(QStringLiteral("lines"), QStringLiteral("requests per file (instead of --bytes)"),
                                   QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("random seed"), QStringLiteral("S"),
                                  QStringLiteral("1"));
    const QCommandLineOption start(QStringLiteral("date"), QStringLiteral("date of the first file"),
                                   QStringLiteral("YYYY-MM-DD"), QStringLiteral("2026-11-01"));
    const QCommandLineOption pages(QStringLiteral("pages"), QStringLiteral("distinct pages of the site"),
                                   QStringLiteral("N"), QStringLiteral("20000"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("w3c (IIS, u_exYYMMDD.log), combined "
                                                                             "(nginx, access.log, access.log.1, ...) or "
                                                                             "a built-in format's name (aliyun-cdn, caddy, ...)"),
                                    QStringLiteral("FORMAT"), QStringLiteral("w3c"));
    const QCommandLineOption compress(QStringLiteral("compress"), QStringLiteral("none, gzip or zstd"),
                                      QStringLiteral("KIND"), QStringLiteral("none"));
    const QCommandLineOption walk(QStringLiteral("walk"), QStringLiteral("ask for every page in turn (a crawl of a "
                                                                         "large site) instead of popular pages mostly"));
    const QCommandLineOption mix(QStringLiteral("mix"),
                                 QStringLiteral("crawl (the crawl run's, 18% crawlers of 2008), overview (30% from "
                                                "20 crawlers of today, every status class, a week per file) or trio "
                                                "(Baiduspider, Googlebot and a browser, a third each)"),
                                 QStringLiteral("MIX"), QStringLiteral("crawl"));
    const QCommandLineOption siteFiles(QStringLiteral("site-files"),
                                       QStringLiteral("also write sitemap.xml (50,000 URLs) and robots.txt (200 lines) there"),
                                       QStringLiteral("FOLDER"));
    parser.addOptions({files, bytes, lines, seed, start, pages, walk, format, compress, mix, siteFiles});
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("where the logs go"));
    parser.process(app);
    const QString logFormat = parser.value(format);
    const QString compression = parser.value(compress);
    const QStringList mixes = {"crawl", "overview", "trio"};
    const Mix drawn = Mix(mixes.indexOf(parser.value(mix)));
    if (parser.positionalArguments().size() != 1 || (!kLineFormats.contains(logFormat) && logFormat != QLatin1String("w3c"))
        || !mixes.contains(parser.value(mix))
        || !QStringList{"none", "gzip", "zstd"}.contains(compression))
        parser.showHelp(2);
    const QString suffix = compression == QLatin1String("gzip") ? QStringLiteral(".gz")
        : compression == QLatin1String("zstd")                   ? QStringLiteral(".zst")
                                                                 : QString();

    const QString folder = parser.positionalArguments().front();
    QDir().mkpath(folder);
    const int fileCount = std::max(1, parser.value(files).toInt());
    Random random(parser.value(seed).toULongLong());
    Site site{makePaths(random, std::max<qsizetype>(1, parser.value(pages).toLongLong())), parser.isSet(walk)};
    if (parser.isSet(siteFiles) && !writeSiteFiles(parser.value(siteFiles), site.paths)) {
        std::fprintf(stderr, "cannot write the site files in %s\n", qPrintable(parser.value(siteFiles)));
        return 1;
    }
    QDate date = QDate::fromString(parser.value(start), QStringLiteral("yyyy-MM-dd"));
    for (int i = 0; i < fileCount; ++i, date = date.addDays(drawn == Mix::Overview ? kOverviewDaysPerFile : 1)) {
        const QString name = folder + u'/' + logName(logFormat, i, fileCount, date) + suffix;
        const std::unique_ptr<LogSink> sink = openSink(name, compression);
        if (!writeLog(*sink, logFormat, drawn, date, parser.value(bytes).toLongLong() / fileCount,
                      parser.value(lines).toLongLong(), random, site)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
