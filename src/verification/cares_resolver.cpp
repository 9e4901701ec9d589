#include "verification/cares_resolver.h"

#include "verification/dns_names.h"

#include <QtEndian>
#include <QSocketNotifier>

#include <ares.h>
#include <arpa/nameser.h>
#include <netdb.h>

#include <chrono>

struct CaresResolver::Pending
{
    CaresResolver *resolver;
    DnsCallback done;
    int type;
    QHostAddress reverseOf;  // PTR: the address asked about
    QByteArray name;
    std::size_t nextFallback = 0;  // the channel asked after a server failure
};

struct CaresResolver::SocketWatch
{
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
};

namespace {

DnsReply failedReply(int status, int type)
{
    // c-ares refuses a PTR name it cannot take for a host name (control
    // characters and the like): the server did answer, with no host name.
    if (status == ARES_EBADRESP && type == ns_t_ptr)
        return {DnsStatus::BadName, {}, {}, {}};
    switch (status) {
    case ARES_ENOTFOUND:
        return {DnsStatus::NoName, {}, {}, {}};
    case ARES_ENODATA:
        return {DnsStatus::Answer, {}, {}, {}};
    case ARES_ETIMEOUT:
        return {DnsStatus::TimedOut, {}, {}, QStringLiteral("DNS 超时")};
    case ARES_ECANCELLED:
    case ARES_EDESTRUCTION:
        return {DnsStatus::Cancelled, {}, {}, QStringLiteral("已停止")};
    case ARES_ESERVFAIL:
        return {DnsStatus::ServerFailure, {}, {}, QStringLiteral("名称服务器失败（SERVFAIL）")};
    case ARES_ECONNREFUSED:
        return {DnsStatus::ServerFailure, {}, {}, QStringLiteral("无法联系名称服务器")};
    case ARES_EBADRESP:
        return {DnsStatus::ServerFailure, {}, {}, QStringLiteral("DNS 应答格式错误")};
    case ARES_EREFUSED:
        return {DnsStatus::ServerFailure, {}, {}, QStringLiteral("名称服务器拒绝（REFUSED）")};
    default:
        return {DnsStatus::ServerFailure, {}, {}, QStringLiteral("DNS 错误：") + QString::fromLatin1(ares_strerror(status))};
    }
}

DnsReply parseReply(int type, const unsigned char *answer, int length, const QHostAddress &reverseOf)
{
    DnsReply reply;
    int status = ARES_SUCCESS;
    if (type == ns_t_ptr) {
        hostent *host = nullptr;
        const bool v4 = reverseOf.protocol() == QAbstractSocket::IPv4Protocol;
        const quint32 v4Bytes = qToBigEndian(reverseOf.toIPv4Address());
        const Q_IPV6ADDR v6Bytes = reverseOf.toIPv6Address();
        status = ares_parse_ptr_reply(answer, length, v4 ? static_cast<const void *>(&v4Bytes) : &v6Bytes, v4 ? 4 : 16,
                                      v4 ? AF_INET : AF_INET6, &host);
        if (status == ARES_SUCCESS && host) {
            // c-ares gives the first name both as the host name and among the aliases.
            auto keep = [&reply](const char *name) {
                const QByteArray bytes = name ? QByteArray(name, qstrnlen(name, kMaxDnsNameBytes)) : QByteArray();
                if (!bytes.isEmpty() && reply.names.size() < kMaxDnsNames && !reply.names.contains(bytes))
                    reply.names.append(bytes);
            };
            keep(host->h_name);
            for (char **alias = host->h_aliases; alias && *alias; ++alias)
                keep(*alias);
        }
        if (host)
            ares_free_hostent(host);
    } else if (type == ns_t_a) {
        ares_addrttl records[kMaxDnsAddresses];
        int count = kMaxDnsAddresses;
        status = ares_parse_a_reply(answer, length, nullptr, records, &count);
        for (int i = 0; status == ARES_SUCCESS && i < count; ++i)
            reply.addresses.append(QHostAddress(qFromBigEndian(records[i].ipaddr.s_addr)));
    } else {
        ares_addr6ttl records[kMaxDnsAddresses];
        int count = kMaxDnsAddresses;
        status = ares_parse_aaaa_reply(answer, length, nullptr, records, &count);
        for (int i = 0; status == ARES_SUCCESS && i < count; ++i)
            reply.addresses.append(QHostAddress(records[i].ip6addr._S6_un._S6_u8));
    }
    return status == ARES_SUCCESS ? reply : failedReply(status, type);
}

int serverCount(ares_channel channel)
{
    ares_addr_port_node *servers = nullptr;
    if (ares_get_servers_ports(channel, &servers) != ARES_SUCCESS)
        return 1;
    int count = 0;
    for (const ares_addr_port_node *node = servers; node; node = node->next)
        ++count;
    ares_free_data(servers);
    return std::max(count, 1);
}

}  // namespace

QString DnsServerSpec(const QString &text)
{
    if (text.contains(u',')) {
        QStringList addresses;
        for (const QString &one : text.split(u','))
            addresses.append(DnsServerSpec(one));
        return addresses.contains(QString()) ? QString() : addresses.join(u',');
    }
    QString host = text;
    QString port;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        host = text.mid(1, close - 1);
        port = close < 0 ? QStringLiteral("x") : text.mid(close + 1);
        if (!port.isEmpty() && !port.startsWith(u':'))
            return {};
        port = port.mid(1);
    } else if (text.count(u':') == 1) {
        host = text.section(u':', 0, 0);
        port = text.section(u':', 1);
    }
    const QHostAddress address(host);
    bool numeric = true;
    const int portNumber = port.isEmpty() ? 53 : port.toInt(&numeric);
    if (address.isNull() || !numeric || portNumber < 1 || portNumber > 65535)
        return {};
    const QString shown = address.protocol() == QAbstractSocket::IPv6Protocol ? u'[' + address.toString() + u']'
                                                                                : address.toString();
    return shown + u':' + QString::number(portNumber);
}

CaresResolver::CaresResolver(const QString &server, int timeoutMs, QObject *parent) : QObject(parent)
{
    static const int libraryStatus = ares_library_init(ARES_LIB_INIT_ALL);
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, [this] { process(ARES_SOCKET_BAD, ARES_SOCKET_BAD); });
    if (libraryStatus != ARES_SUCCESS) {
        problem_ = QString::fromLatin1(ares_strerror(libraryStatus));
        return;
    }

    int status = init(&channel_, timeoutMs);
    const int servers = status != ARES_SUCCESS ? 1 : server.isEmpty() ? serverCount(channel_) : int(server.count(u',')) + 1;
    const int serverTimeoutMs = std::max(500, timeoutMs / servers);
    if (servers > 1) {
        // c-ares asks each server in turn, each with the full time-out: share it out.
        ares_destroy(channel_);
        status = init(&channel_, serverTimeoutMs);
    }
    if (status == ARES_SUCCESS && !server.isEmpty()) {
        const QString servers = DnsServerSpec(server);
        status = servers.isEmpty() ? ARES_EBADSTR : ares_set_servers_ports_csv(channel_, servers.toLatin1().constData());
    }
    if (status == ARES_SUCCESS && servers > 1)
        status = addFallbacks(serverTimeoutMs);
    if (status != ARES_SUCCESS) {
        problem_ = status == ARES_EBADSTR ? QStringLiteral("无效的名称服务器地址：") + server
                                          : QStringLiteral("DNS 无法初始化：") + QString::fromLatin1(ares_strerror(status));
        for (ares_channeldata *channel : channels())
            ares_destroy(channel);
        channel_ = nullptr;
        fallbacks_.clear();
    }
}

std::vector<ares_channeldata *> CaresResolver::channels() const
{
    std::vector<ares_channeldata *> all = fallbacks_;
    if (channel_)
        all.insert(all.begin(), channel_);
    return all;
}

int CaresResolver::addFallbacks(int serverTimeoutMs)
{
    ares_addr_port_node *servers = nullptr;
    int status = ares_get_servers_ports(channel_, &servers);
    for (ares_addr_port_node *rest = servers ? servers->next : nullptr; status == ARES_SUCCESS && rest; rest = rest->next) {
        ares_channeldata *fallback = nullptr;
        status = init(&fallback, serverTimeoutMs);
        if (status == ARES_SUCCESS)
            status = ares_set_servers_ports(fallback, rest);
        if (fallback)
            fallbacks_.push_back(fallback);
    }
    if (servers)
        ares_free_data(servers);
    return status;
}

int CaresResolver::init(ares_channeldata **channel, int timeoutMs)
{
    ares_options options{};
    // NOCHECKRESP: a SERVFAIL or REFUSED answer is reported as such, not as
    // "could not contact"; the resolver itself asks the next server then.
    options.flags = ARES_FLAG_NOSEARCH | ARES_FLAG_NOALIASES | ARES_FLAG_NOCHECKRESP;
    options.timeout = timeoutMs;  // with ARES_OPT_TIMEOUTMS: milliseconds
    options.tries = 1;            // one try per server
    options.sock_state_cb = &CaresResolver::onSocketState;
    options.sock_state_cb_data = this;
    *channel = nullptr;
    return ares_init_options(channel, &options,
                             ARES_OPT_FLAGS | ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_SOCK_STATE_CB);
}

CaresResolver::~CaresResolver()
{
    destroying_ = true;  // callbacks of the queries ended by ares_destroy reach no one
    for (ares_channeldata *channel : channels())
        ares_destroy(channel);
    for (SocketWatch *watch : std::as_const(sockets_))
        delete watch;
}

void CaresResolver::lookUpName(const QHostAddress &address, DnsCallback done)
{
    query(ReverseLookupName(address), ns_t_ptr, std::move(done), address);
}

void CaresResolver::lookUpAddresses(const QByteArray &name, QAbstractSocket::NetworkLayerProtocol family,
                                    DnsCallback done)
{
    query(name, family == QAbstractSocket::IPv6Protocol ? ns_t_aaaa : ns_t_a, std::move(done), {});
}

void CaresResolver::query(const QByteArray &name, int type, DnsCallback done, const QHostAddress &reverseOf)
{
    if (!channel_) {
        QTimer::singleShot(0, this, [done = std::move(done), problem = problem_] {
            done(DnsReply{DnsStatus::ServerFailure, {}, {}, problem});
        });
        return;
    }
    // c-ares may answer at once (a name it refuses); the callback still runs later, as promised.
    auto *pending = new Pending{this, std::move(done), type, reverseOf, name};
    ares_query(channel_, name.constData(), ns_c_in, type, &CaresResolver::onQueryDone, pending);
    scheduleTimeout();
}

void CaresResolver::onQueryDone(void *data, int status, int, unsigned char *answer, int length)
{
    std::unique_ptr<Pending> pending(static_cast<Pending *>(data));
    CaresResolver *self = pending->resolver;
    if (self->destroying_)
        return;
    if ((status == ARES_ESERVFAIL || status == ARES_EREFUSED) && pending->nextFallback < self->fallbacks_.size()) {
        ares_channeldata *next = self->fallbacks_[pending->nextFallback++];
        Pending *again = pending.release();
        ares_query(next, again->name.constData(), ns_c_in, again->type, &CaresResolver::onQueryDone, again);
        return;
    }
    DnsReply reply = status == ARES_SUCCESS ? parseReply(pending->type, answer, length, pending->reverseOf)
                                            : failedReply(status, pending->type);
    QMetaObject::invokeMethod(
        self, [done = std::move(pending->done), reply = std::move(reply)] { done(reply); }, Qt::QueuedConnection);
}

void CaresResolver::cancelAll()
{
    for (ares_channeldata *channel : channels())
        ares_cancel(channel);
}

void CaresResolver::onSocketState(void *data, int socket, int readable, int writable)
{
    auto *self = static_cast<CaresResolver *>(data);
    SocketWatch *&watch = self->sockets_[socket];
    if (!watch)
        watch = new SocketWatch;
    auto arm = [self, socket](std::unique_ptr<QSocketNotifier> &notifier, QSocketNotifier::Type type, bool on) {
        if (on && !notifier) {
            notifier = std::make_unique<QSocketNotifier>(socket, type);
            const bool isRead = type == QSocketNotifier::Read;
            connect(notifier.get(), &QSocketNotifier::activated, self, [self, socket, isRead] {
                self->process(isRead ? socket : ARES_SOCKET_BAD, isRead ? ARES_SOCKET_BAD : socket);
            });
        }
        if (notifier)
            notifier->setEnabled(on);
    };
    arm(watch->read, QSocketNotifier::Read, readable);
    arm(watch->write, QSocketNotifier::Write, writable);
    if (!readable && !writable) {
        // c-ares closes the socket after this: its notifiers are off now and go once control is back in
        // the event loop (one of them may be the one signalling right now).
        for (std::unique_ptr<QSocketNotifier> *notifier : {&watch->read, &watch->write}) {
            if (*notifier)
                notifier->release()->deleteLater();
        }
        delete watch;
        self->sockets_.remove(socket);
    }
}

void CaresResolver::process(int readSocket, int writeSocket)
{
    for (ares_channeldata *channel : channels())
        ares_process_fd(channel, readSocket, writeSocket);
    scheduleTimeout();
}

void CaresResolver::scheduleTimeout()
{
    timeval wait{};
    bool any = false;
    for (ares_channeldata *channel : channels()) {
        timeval buffer{};
        if (const timeval *next = ares_timeout(channel, any ? &wait : nullptr, &buffer)) {
            wait = *next;
            any = true;
        }
    }
    if (!any) {
        timeout_.stop();
        return;
    }
    timeout_.start(std::chrono::milliseconds(wait.tv_sec * 1000 + (wait.tv_usec + 999) / 1000));
}
