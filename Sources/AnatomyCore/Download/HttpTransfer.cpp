#include "AnatomyCore/Download/HttpTransfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>

namespace morvena {

namespace {

// Redirect chains longer than this are treated as a loop.
constexpr int maximumRedirects = 10;

constexpr std::string_view outOfMemory = "Memoria insufficiente per la richiesta.";

struct CurlLibrary {
    CurlLibrary() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~CurlLibrary() { curl_global_cleanup(); }
};

void ensureCurlLibrary()
{
    static CurlLibrary library; // initialised once, thread-safely, before the first handle
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct AddressDeleter {
    void operator()(CURLU* address) const { curl_url_cleanup(address); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;
using AddressHandle = std::unique_ptr<CURLU, AddressDeleter>;

std::optional<std::string> addressPart(CURLU* address, CURLUPart part)
{
    char* text = nullptr;
    if (curl_url_get(address, part, &text, 0) != CURLUE_OK || !text)
        return std::nullopt;
    std::string value(text);
    curl_free(text);
    return value;
}

AddressHandle parsedAddress(std::string_view text)
{
    if (text.empty() || text.find('\0') != std::string_view::npos)
        return nullptr;
    ensureCurlLibrary();
    AddressHandle address(curl_url());
    if (!address || curl_url_set(address.get(), CURLUPART_URL, std::string(text).c_str(), 0) != CURLUE_OK)
        return nullptr;
    return address;
}

bool isLoopbackHTTP(const std::string& address)
{
    auto parsed = parsedAddress(address);
    if (!parsed || addressPart(parsed.get(), CURLUPART_SCHEME) != "http")
        return false;
    auto host = addressPart(parsed.get(), CURLUPART_HOST).value_or("");
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
    return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
}

bool isPermittedRedirect(const std::string& from, const std::string& to)
{
    auto parsed = parsedAddress(to);
    if (parsed && addressPart(parsed.get(), CURLUPART_SCHEME) == "https")
        return true;
    return isLoopbackHTTP(from) && isLoopbackHTTP(to);
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string failureText(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return "Impossibile trovare un server con il nome specificato.";
    case CURLE_COULDNT_CONNECT:
        return "Impossibile connettersi al server.";
    case CURLE_OPERATION_TIMEDOUT:
        return "La richiesta è scaduta.";
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return "La connessione di rete è stata interrotta.";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
        return "Impossibile stabilire una connessione sicura con il server.";
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return "Indirizzo non supportato.";
    case CURLE_FILE_COULDNT_READ_FILE:
        return "Il file richiesto non esiste.";
    case CURLE_FILESIZE_EXCEEDED:
        return "Il server ha inviato più dati del previsto.";
    case CURLE_OUT_OF_MEMORY:
        return std::string(outOfMemory);
    default:
        return "Errore di rete (codice " + std::to_string(static_cast<int>(code)) + ").";
    }
}

// What the curl callbacks of one request share.
struct Exchange {
    const HttpTransfer::Handlers& handlers;
    CURL* handle = nullptr;
    HttpTransfer::Response response;
    bool delivered = false;
    bool redirecting = false;
    bool stopped = false;

    bool isRedirect() const
    {
        return response.status >= 300 && response.status <= 399 && response.header("location").has_value();
    }

    // Hands the final response to the caller once; redirects are kept back.
    bool deliver()
    {
        if (delivered)
            return true;
        delivered = true;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &response.status);
        redirecting = isRedirect();
        if (redirecting || !handlers.onResponse)
            return true;
        return handlers.onResponse(response);
    }

    bool keepGoing() const { return !handlers.keepGoing || handlers.keepGoing(); }
};

size_t receiveHeader(char* buffer, size_t size, size_t count, void* context)
{
    auto& exchange = *static_cast<Exchange*>(context);
    const size_t length = size * count;
    std::string_view line = trimmed(std::string_view(buffer, length));
    if (line.starts_with("HTTP/")) {
        // A new response begins (an interim or redirect one came before).
        exchange.response = {};
        exchange.delivered = false;
        return length;
    }
    auto colon = line.find(':');
    if (colon == std::string_view::npos)
        return length;
    std::string name(trimmed(line.substr(0, colon)));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    exchange.response.headers.emplace_back(std::move(name), std::string(trimmed(line.substr(colon + 1))));
    return length;
}

size_t receiveBody(char* buffer, size_t size, size_t count, void* context)
{
    auto& exchange = *static_cast<Exchange*>(context);
    const size_t length = size * count;
    if (!exchange.deliver() || !exchange.keepGoing()) {
        exchange.stopped = true;
        return 0; // a short count makes curl end with CURLE_WRITE_ERROR
    }
    if (exchange.redirecting)
        return length;
    if (exchange.handlers.onBody && !exchange.handlers.onBody(std::span<const char>(buffer, length))) {
        exchange.stopped = true;
        return 0;
    }
    return length;
}

int reportProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto& exchange = *static_cast<Exchange*>(context);
    if (exchange.keepGoing())
        return 0;
    exchange.stopped = true;
    return 1;
}

// The request's extra headers; none when curl runs out of memory building the list.
std::optional<HeaderList> headerList(const std::vector<std::string>& headers)
{
    HeaderList list;
    for (const auto& header : headers) {
        curl_slist* extended = curl_slist_append(list.get(), header.c_str());
        if (!extended)
            return std::nullopt;
        list.release();
        list.reset(extended);
    }
    return list;
}

void configure(CURL* handle, const HttpTransfer::Options& options, curl_slist* headers, Exchange& exchange)
{
    const long idleSeconds = static_cast<long>(std::max<std::int64_t>(1, options.idleTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(
        handle, CURLOPT_PROTOCOLS_STR, options.allowFileAddresses ? "http,https,file" : "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "Morvena");
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, idleSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, idleSeconds);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, receiveHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &exchange);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, receiveBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &exchange);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, reportProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &exchange);
}

HttpTransfer::Result failed(std::string text)
{
    return {HttpTransfer::Outcome::failed, std::move(text)};
}

} // namespace

std::optional<std::string> HttpTransfer::Response::header(std::string_view lowerCaseName) const
{
    for (const auto& [name, value] : headers)
        if (name == lowerCaseName)
            return value;
    return std::nullopt;
}

std::optional<std::int64_t> HttpTransfer::Response::contentLength() const
{
    auto text = header("content-length");
    if (!text || text->empty())
        return std::nullopt;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size() || value < 0)
        return std::nullopt;
    return value;
}

std::optional<std::string> HttpTransfer::parseAddress(std::string_view text)
{
    auto address = parsedAddress(text);
    if (!address)
        return std::nullopt;
    return addressPart(address.get(), CURLUPART_URL);
}

bool HttpTransfer::isPermittedAddress(const std::string& address, bool allowFileAddresses)
{
    auto parsed = parsedAddress(address);
    if (!parsed)
        return false;
    auto scheme = addressPart(parsed.get(), CURLUPART_SCHEME);
    if (scheme == "https")
        return addressPart(parsed.get(), CURLUPART_HOST).has_value();
    if (scheme == "file")
        return allowFileAddresses;
    return isLoopbackHTTP(address);
}

HttpTransfer::Result HttpTransfer::get(
    const std::string& address, const Options& options, const Handlers& handlers)
{
    if (!isPermittedAddress(address, options.allowFileAddresses))
        return failed("Indirizzo rifiutato: " + std::string(permittedAddressesText) + ".");
    ensureCurlLibrary();
    EasyHandle handle(curl_easy_init());
    auto headers = headerList(options.headers);
    if (!handle || !headers)
        return failed(std::string(outOfMemory));
    const bool hasDeadline = options.totalTimeout.has_value();
    const auto deadline
        = std::chrono::steady_clock::now() + options.totalTimeout.value_or(std::chrono::milliseconds::zero());

    std::string current = address;
    for (int hop = 0; hop <= maximumRedirects; ++hop) {
        Exchange exchange {handlers, handle.get()};
        configure(handle.get(), options, headers->get(), exchange);
        curl_easy_setopt(handle.get(), CURLOPT_URL, current.c_str());
        if (hasDeadline) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return failed(failureText(CURLE_OPERATION_TIMEDOUT));
            curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
        }
        CURLcode code = curl_easy_perform(handle.get());
        if (exchange.stopped)
            return {Outcome::stopped, {}};
        if (code != CURLE_OK)
            return failed(failureText(code));
        if (!exchange.deliver())
            return {Outcome::stopped, {}};
        if (!exchange.redirecting)
            return {Outcome::completed, {}};
        char* next = nullptr;
        curl_easy_getinfo(handle.get(), CURLINFO_REDIRECT_URL, &next);
        if (!next || !isPermittedRedirect(current, next))
            return failed("Reindirizzamento verso un indirizzo non sicuro rifiutato.");
        current = next;
    }
    return failed("Troppi reindirizzamenti.");
}

} // namespace morvena
