#include "AnatomyCore/Download/HttpTransfer.h"

#include "TemporaryFolder.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::test;

// A server as slow to start as python3 on a busy machine is still waited for; one that
// ends without printing its port is refused.
TEST(TestHttpServer, waitsForASlowStartAndReportsAServerThatEndedWithoutItsPort)
{
    struct Case {
        const char* name;
        std::vector<std::string> options;
        bool serves;
    };
    const Case cases[] = {
        {"starting at once", {}, true},
        {"starting after eleven seconds, past the ten once allowed", {"--start-delay", "11"}, true},
        {"ending on an option it does not know", {"--opzione-ignota"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder served;
        writeFile(served / "saluto.txt", "ciao");
        try {
            TestHttpServer server(served.path(), c.options);
            std::string body;
            const auto result = HttpTransfer::get(
                server.address("saluto.txt"), {}, {.onBody = [&body](std::span<const char> bytes) {
                    body.append(bytes.begin(), bytes.end());
                    return true;
                }});
            EXPECT_EQ(result.outcome, HttpTransfer::Outcome::completed) << result.failure;
            EXPECT_EQ(body, "ciao");
            EXPECT_TRUE(c.serves);
        } catch (const std::runtime_error& error) {
            EXPECT_FALSE(c.serves);
            EXPECT_STREQ(error.what(), "the test HTTP server did not report its port");
        }
    }
}
