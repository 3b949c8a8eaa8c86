#include "QorvCSNUTClient.h"

#include "foundation/CleanText.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <mutex>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <upsclient.h>

namespace {

// Server texts reach the report and the terminal: no control characters, no invalid UTF-8.
std::string clean(const char* text)
{
    std::string s = text ? text : "";
    return qorv::isCleanText(s) ? s : qorv::cleanText(s);
}

// libupsclient writes to its socket without MSG_NOSIGNAL: a server that has gone would raise SIGPIPE, which kills
// the process unless it ignores the signal. Holds it back for the calling thread and drops one that came.
class SigpipeBlock {
public:
    SigpipeBlock()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
    }
    ~SigpipeBlock()
    {
        if (!m_wasPending) {
            const timespec now { 0, 0 };
            while (sigtimedwait(&m_pipe, nullptr, &now) == SIGPIPE) { }
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_previous;
    bool m_wasPending = false;
};

} // namespace

std::optional<QorvCSNUTClient::Address> QorvCSNUTClient::parseAddress(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    Address address;
    std::string_view port;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        address.host = std::string(text.substr(1, close - 1));
        const auto rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':'))
            return std::nullopt;
        port = rest.empty() ? rest : rest.substr(1);
    } else if (const auto colon = text.rfind(':');
               colon != std::string_view::npos && text.find(':') == colon) { // one colon: host:port
        address.host = std::string(text.substr(0, colon));
        port = text.substr(colon + 1);
    } else {
        address.host = std::string(text); // a bare IPv6 address has several colons and no port
    }
    if (address.host.empty())
        return std::nullopt;
    if (!port.empty() || text.ends_with(':')) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535)
            return std::nullopt;
        address.port = static_cast<uint16_t>(value);
    }
    return address;
}

QorvCSNUTClient::QorvCSNUTClient(std::chrono::milliseconds connectTimeout)
    : m_connectTimeout(connectTimeout)
{ }

void QorvCSNUTClient::cancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    // Wakes a thread waiting for the server's reply; the owner closes the socket.
    if (m_activeFd >= 0)
        ::shutdown(m_activeFd, SHUT_RDWR);
}

QorvCSNUTClient::Result QorvCSNUTClient::read(const Address& address, const std::string& label)
{
    SigpipeBlock sigpipe;
    Result result;
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled) {
            result.error = std::string(cancelled);
            return result;
        }
    }
    UPSCONN_t connection {};
    const auto micro = std::chrono::duration_cast<std::chrono::microseconds>(m_connectTimeout).count();
    timeval timeout { static_cast<time_t>(micro / 1000000), static_cast<suseconds_t>(micro % 1000000) };
    if (upscli_tryconnect(&connection, address.host.c_str(), address.port, 0, &timeout) < 0) {
        result.error = clean(upscli_strerror(&connection));
        result.refused = connection.syserrno == ECONNREFUSED;
        upscli_disconnect(&connection);
        return result;
    }
    {
        std::lock_guard lock(m_mutex);
        m_activeFd = upscli_fd(&connection);
        if (m_cancelled)
            ::shutdown(m_activeFd, SHUT_RDWR);
    }

    size_t count = 0;
    char** answer = nullptr;
    const char* listQuery[] = { "UPS" };
    if (upscli_list_start(&connection, 1, listQuery) < 0) {
        result.error = clean(upscli_strerror(&connection));
    } else {
        int more = 0;
        while ((more = upscli_list_next(&connection, 1, listQuery, &count, &answer)) > 0)
            if (count >= 3)
                result.upses.push_back({ label, clean(answer[1]), clean(answer[2]), {} });
        if (more < 0)
            result.error = clean(upscli_strerror(&connection));
    }
    for (auto& ups : result.upses) {
        if (result.error)
            break;
        const char* varQuery[] = { "VAR", ups.name.c_str() };
        if (upscli_list_start(&connection, 2, varQuery) < 0) {
            const int code = upscli_upserror(&connection);
            // The server is fine, this UPS is not (DRIVER-NOT-CONNECTED, DATA-STALE, gone since the list).
            if (code == UPSCLI_ERR_DRVNOTCONN || code == UPSCLI_ERR_DATASTALE || code == UPSCLI_ERR_UNKNOWNUPS)
                ups.variables["nut.error"] = clean(upscli_strerror(&connection));
            else
                result.error = clean(upscli_strerror(&connection));
            continue;
        }
        int more = 0;
        while ((more = upscli_list_next(&connection, 2, varQuery, &count, &answer)) > 0)
            if (count >= 4)
                ups.variables[clean(answer[2])] = clean(answer[3]);
        if (more < 0)
            result.error = clean(upscli_strerror(&connection));
    }
    if (result.error)
        result.upses.clear();
    {
        std::lock_guard lock(m_mutex);
        m_activeFd = -1;
        if (m_cancelled) { // whatever the shut connection made of the reading
            result.upses.clear();
            result.error = std::string(cancelled);
        }
    }
    upscli_disconnect(&connection);
    return result;
}
