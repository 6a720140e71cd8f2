#include "AnatomyCore/Download/Internal/ResumableTransfer.h"

#include "AnatomyCore/Download/HttpTransfer.h"
#include "AnatomyCore/Support/SystemText.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>

namespace morvena {

namespace {

using Clock = std::chrono::steady_clock;
using Outcome = ResumableTransfer::Outcome;

// Why an attempt was stopped from inside, beyond a transport failure.
enum class Ending { none, badStatus, startOver, tooLarge, writeFailed };

struct ContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::optional<std::int64_t> complete; // none for "*"
};

std::optional<std::int64_t> decimal(std::string_view text)
{
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

// "bytes first-last/complete"
std::optional<ContentRange> contentRange(std::optional<std::string> header)
{
    if (!header || !header->starts_with("bytes "))
        return std::nullopt;
    std::string_view text = std::string_view(*header).substr(6);
    auto dash = text.find('-');
    auto slash = text.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
        return std::nullopt;
    auto first = decimal(text.substr(0, dash));
    auto last = decimal(text.substr(dash + 1, slash - dash - 1));
    auto completeText = text.substr(slash + 1);
    auto complete = completeText == "*" ? std::nullopt : decimal(completeText);
    if (!first || !last || *last < *first || (completeText != "*" && !complete))
        return std::nullopt;
    return ContentRange {*first, *last, complete};
}

// If-Range accepts only strong validators: a weak ETag cannot prove that two
// byte ranges come from the same file.
std::optional<std::string> validatorOf(const HttpTransfer::Response& response)
{
    auto tag = response.header("etag");
    if (tag && !tag->empty() && !tag->starts_with("W/"))
        return tag;
    auto modified = response.header("last-modified");
    if (modified && !modified->empty())
        return modified;
    return std::nullopt;
}

Outcome failure(std::string message)
{
    return {Outcome::Kind::failed, std::move(message)};
}

class Transfer {
public:
    Transfer(const ResumableTransfer::Options& options, int descriptor, const std::atomic<bool>& cancelled,
        const ResumableTransfer::Progress& progress)
        : options_(options)
        , descriptor_(descriptor)
        , cancelled_(cancelled)
        , progress_(progress)
        , deadline_(Clock::now() + options.totalTimeout)
    {
    }

    Outcome run()
    {
        int resumptionsLeft = options_.resumptions;
        bool resume = false;
        while (true) {
            const bool ranged = resume && validator_ && written_ > 0;
            if (!ranged && written_ > 0 && !truncateFile())
                return endingOutcome();
            ending_ = Ending::none;
            auto result = request(ranged);
            if (cancelled_)
                return {Outcome::Kind::cancelled, {}};
            if (ending_ == Ending::startOver) {
                resume = false; // the next request asks for the whole file, so this cannot repeat
                continue;
            }
            if (ending_ != Ending::none)
                return endingOutcome();
            if (result.outcome == HttpTransfer::Outcome::completed)
                return {Outcome::Kind::completed, {}};
            if (resumptionsLeft == 0)
                return failure("Download interrotto: " + result.failure);
            --resumptionsLeft;
            resume = true;
        }
    }

private:
    HttpTransfer::Result request(bool ranged)
    {
        HttpTransfer::Options http;
        http.headers = {"Cache-Control: no-cache", "Pragma: no-cache"};
        if (ranged) {
            http.headers.push_back("Range: bytes=" + std::to_string(written_) + "-");
            http.headers.push_back("If-Range: " + *validator_);
        }
        http.idleTimeout = options_.idleTimeout;
        http.totalTimeout = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
        HttpTransfer::Handlers handlers;
        handlers.onResponse
            = [&](const HttpTransfer::Response& response) { return accept(response, ranged); };
        handlers.onBody = [&](std::span<const char> bytes) { return store(bytes); };
        handlers.keepGoing = [&] { return !cancelled_; };
        return HttpTransfer::get(options_.address, http, handlers);
    }

    bool stop(Ending ending)
    {
        ending_ = ending;
        return false;
    }

    bool accept(const HttpTransfer::Response& response, bool ranged)
    {
        status_ = response.status;
        if (ranged && response.status == 416)
            return stop(Ending::startOver);
        if (!response.isSuccess() || (!ranged && response.status == 206))
            return stop(Ending::badStatus);
        std::optional<std::int64_t> announced;
        if (response.status == 206) {
            auto range = contentRange(response.header("content-range"));
            if (!range || range->first != written_
                || (range->complete && range->last + 1 != *range->complete))
                return stop(Ending::startOver);
            announced = range->complete ? range->complete : std::optional(range->last + 1);
        } else {
            if (written_ > 0 && !truncateFile())
                return false;
            if (auto length = response.contentLength())
                announced = *length;
        }
        validator_ = validatorOf(response);
        total_ = announced.value_or(options_.expectedBytes);
        if (announced && *announced > options_.maximumBytes)
            return stop(Ending::tooLarge);
        return true;
    }

    bool store(std::span<const char> bytes)
    {
        if (static_cast<std::int64_t>(bytes.size()) > options_.maximumBytes - written_)
            return stop(Ending::tooLarge);
        while (!bytes.empty()) {
            ssize_t count = ::pwrite(descriptor_, bytes.data(), bytes.size(), written_);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                writeFailure_ = SystemText::reason(count < 0 ? errno : EIO);
                return stop(Ending::writeFailed);
            }
            written_ += count;
            bytes = bytes.subspan(static_cast<std::size_t>(count));
        }
        if (progress_)
            progress_(written_, std::max(total_, written_));
        return !cancelled_;
    }

    bool truncateFile()
    {
        if (::ftruncate(descriptor_, 0) != 0) {
            writeFailure_ = SystemText::reason(errno);
            return stop(Ending::writeFailed);
        }
        written_ = 0;
        return true;
    }

    Outcome endingOutcome() const
    {
        switch (ending_) {
        case Ending::badStatus:
            return failure(
                "Il server ha risposto con stato " + std::to_string(status_) + " scaricando l'archivio.");
        case Ending::tooLarge:
            return failure("Download interrotto: il server invia più dati di quanti ne indichi il catalogo.");
        default:
            return failure("Non è stato possibile salvare l'archivio scaricato: " + writeFailure_ + ".");
        }
    }

    const ResumableTransfer::Options& options_;
    const int descriptor_;
    const std::atomic<bool>& cancelled_;
    const ResumableTransfer::Progress& progress_;
    const Clock::time_point deadline_;

    std::int64_t written_ = 0; // bytes in the file
    std::int64_t total_ = 0;
    std::optional<std::string> validator_;
    Ending ending_ = Ending::none;
    long status_ = 0;
    std::string writeFailure_;
};

} // namespace

ResumableTransfer::Outcome ResumableTransfer::run(
    const Options& options, int descriptor, const std::atomic<bool>& cancelled, const Progress& progress)
{
    return Transfer(options, descriptor, cancelled, progress).run();
}

} // namespace morvena
