#include "AnatomyCore/Download/Internal/ResumableTransfer.h"

#include "RandomBytes.h"
#include "TemporaryFolder.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <unistd.h>

using namespace morvena;
using nlohmann::json;

namespace {

class ResumableTransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::writeFile(served / "archive.mrvz", original);
        test::writeFile(served / "changed.mrvz", changed);
        descriptor = ::open((target / "download").c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        ASSERT_GE(descriptor, 0);
    }
    void TearDown() override { ::close(descriptor); }

    ResumableTransfer::Outcome fetch(
        const std::string& query, std::int64_t expected = 0, std::int64_t maximum = 0)
    {
        ResumableTransfer::Options options;
        options.address = server.address("archive.mrvz" + query);
        options.expectedBytes = expected ? expected : static_cast<std::int64_t>(original.size());
        options.maximumBytes = maximum ? maximum : 4 * static_cast<std::int64_t>(original.size());
        return ResumableTransfer::run(
            options, descriptor, cancelled, [&](std::int64_t received, std::int64_t total) {
                progress.emplace_back(received, total);
                if (received >= cancelAt)
                    cancelled = true;
            });
    }

    std::string downloaded() const { return test::readFile(target / "download"); }

    // The Range and If-Range headers of each request, in order.
    std::vector<std::pair<std::string, std::string>> rangeHeaders() const
    {
        std::vector<std::pair<std::string, std::string>> headers;
        for (const auto& line : server.requests()) {
            auto request = json::parse(line);
            auto text = [](const json& value) {
                return value.is_null() ? std::string() : value.get<std::string>();
            };
            headers.emplace_back(text(request["range"]), text(request["ifRange"]));
        }
        return headers;
    }

    const std::string original = test::randomBytes(300'000, 1);
    const std::string changed = test::randomBytes(280'000, 2);
    test::TemporaryFolder served {"served"};
    test::TemporaryFolder target {"target"};
    test::TestHttpServer server {served.path()};
    int descriptor = -1;
    std::atomic<bool> cancelled {false};
    std::int64_t cancelAt = std::numeric_limits<std::int64_t>::max();
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
};

} // namespace

TEST_F(ResumableTransferTest, resumesAfterADroppedConnectionWithTheValidator)
{
    auto outcome = fetch("?drops=1&dropAt=100000");
    ASSERT_EQ(outcome.kind, ResumableTransfer::Outcome::Kind::completed) << outcome.message;
    EXPECT_EQ(downloaded(), original);
    auto headers = rangeHeaders();
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[0].first, "");
    EXPECT_EQ(headers[1].first, "bytes=100000-");
    EXPECT_FALSE(headers[1].second.empty());
    for (auto [received, total] : progress)
        EXPECT_EQ(total, static_cast<std::int64_t>(original.size()));
    EXPECT_EQ(progress.back().first, static_cast<std::int64_t>(original.size()));
}

TEST_F(ResumableTransferTest, resumesWithLastModifiedWhenTheTagIsWeakOrAbsent)
{
    ASSERT_EQ(fetch("?drops=1&validators=lastmodified").kind, ResumableTransfer::Outcome::Kind::completed);
    EXPECT_EQ(downloaded(), original);
    auto headers = rangeHeaders();
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[1].first, "bytes=4096-");
    EXPECT_NE(headers[1].second.find("GMT"), std::string::npos);
}

TEST_F(ResumableTransferTest, startsOverWithoutAStrongValidator)
{
    for (const char* validators : {"none", "weak"}) {
        ASSERT_EQ(::ftruncate(descriptor, 0), 0);
        auto query = std::string("?drops=1&dropAt=50000&validators=") + validators;
        ASSERT_EQ(fetch(query).kind, ResumableTransfer::Outcome::Kind::completed) << validators;
        EXPECT_EQ(downloaded(), original) << validators;
    }
    for (const auto& [range, condition] : rangeHeaders())
        EXPECT_EQ(range, "");
}

TEST_F(ResumableTransferTest, startsOverWhenTheServerIgnoresTheRange)
{
    ASSERT_EQ(
        fetch("?drops=1&dropAt=120000&ranges=ignore").kind, ResumableTransfer::Outcome::Kind::completed);
    EXPECT_EQ(downloaded(), original);
    EXPECT_EQ(rangeHeaders().at(1).first, "bytes=120000-");
}

TEST_F(ResumableTransferTest, startsOverWhenTheContentRangeDoesNotContinueTheFile)
{
    ASSERT_EQ(
        fetch("?drops=1&dropAt=70000&ranges=shifted").kind, ResumableTransfer::Outcome::Kind::completed);
    EXPECT_EQ(downloaded(), original);
    auto headers = rangeHeaders();
    ASSERT_EQ(headers.size(), 3u);
    EXPECT_EQ(headers[1].first, "bytes=70000-");
    EXPECT_EQ(headers[2].first, "");
}

TEST_F(ResumableTransferTest, aFileChangedBetweenAttemptsIsFetchedWholeAgain)
{
    ASSERT_EQ(
        fetch("?drops=1&dropAt=200000&swap=changed.mrvz").kind, ResumableTransfer::Outcome::Kind::completed);
    EXPECT_EQ(downloaded(), changed); // never the first 200000 bytes of one file and the rest of another
}

TEST_F(ResumableTransferTest, theFourthInterruptionEndsTheTransfer)
{
    auto outcome = fetch("?drops=4&dropAt=1000");
    EXPECT_EQ(outcome.kind, ResumableTransfer::Outcome::Kind::failed);
    EXPECT_EQ(outcome.message, "Download interrotto: La connessione di rete è stata interrotta.");
    EXPECT_EQ(server.requests().size(), 4u);

    ASSERT_EQ(::ftruncate(descriptor, 0), 0);
    EXPECT_EQ(fetch("?drops=3&dropAt=1000&n=2").kind, ResumableTransfer::Outcome::Kind::completed);
    EXPECT_EQ(downloaded(), original);
}

TEST_F(ResumableTransferTest, errorStatusesEndAtOnce)
{
    for (int status : {404, 500}) {
        auto outcome = fetch("?status=" + std::to_string(status));
        EXPECT_EQ(outcome.kind, ResumableTransfer::Outcome::Kind::failed);
        EXPECT_EQ(outcome.message,
            "Il server ha risposto con stato " + std::to_string(status) + " scaricando l'archivio.");
    }
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(ResumableTransferTest, progressWithoutALengthUsesTheExpectedSizeAndNeverExceedsTheTotal)
{
    const auto expected = static_cast<std::int64_t>(original.size()) - 50'000;
    ASSERT_EQ(fetch("?nolength=1", expected).kind, ResumableTransfer::Outcome::Kind::completed);
    EXPECT_EQ(downloaded(), original);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front().second, expected);
    for (auto [received, total] : progress)
        EXPECT_LE(received, total);
    EXPECT_EQ(progress.back(), std::pair(std::int64_t(original.size()), std::int64_t(original.size())));
}

TEST_F(ResumableTransferTest, transfersBeyondTheSizeCapAreRefused)
{
    const auto cap = static_cast<std::int64_t>(original.size()) - 1;
    for (const char* query : {"", "?nolength=1"}) {
        auto outcome = fetch(query, cap, cap);
        EXPECT_EQ(outcome.kind, ResumableTransfer::Outcome::Kind::failed) << query;
        EXPECT_EQ(outcome.message,
            "Download interrotto: il server invia più dati di quanti ne indichi il catalogo.");
    }
}

TEST_F(ResumableTransferTest, cancellingStopsWithoutFailure)
{
    cancelAt = 10'000;
    auto outcome = fetch("?slow=1");
    EXPECT_EQ(outcome.kind, ResumableTransfer::Outcome::Kind::cancelled);
    EXPECT_LT(downloaded().size(), original.size());
}
