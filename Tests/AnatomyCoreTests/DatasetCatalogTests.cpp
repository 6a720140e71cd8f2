#include "AnatomyCore/Download/DatasetCatalog.h"
#include "AnatomyCore/Download/HttpTransfer.h"
#include "AnatomyCore/Model/DecodingError.h"

#include "TemporaryFolder.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace morvena;
using nlohmann::json;

namespace {

DatasetCatalog::Entry sampleEntry(const std::string& id = "bodyparts3d-4.0")
{
    return {id, "BodyParts3D 4.0", "4.0-r2", "https://example.org/dl/" + id + ".mrvz", 123456789012,
        2000000000, std::string(64, 'a'), 2400, 3100000, "CC BY-SA 2.1 JP", "DBCLS",
        "https://example.org/source", "note"};
}

DatasetCatalog::AppRelease sampleRelease()
{
    return {"1.4.2", "142", "https://example.org/dl/Morvena.tar.gz", 45000000, "12", "correzioni"};
}

json sampleDocument()
{
    DatasetCatalog catalog {1, {sampleEntry(), sampleEntry("other")}, sampleRelease()};
    return catalog;
}

std::string decodingFailure(const json& document)
{
    try {
        DatasetCatalog::decode(document.dump());
    } catch (const DecodingError& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(DatasetCatalogJSON, roundTripsWithAndWithoutRelease)
{
    DatasetCatalog catalog {1, {sampleEntry(), sampleEntry("other")}, sampleRelease()};
    EXPECT_EQ(DatasetCatalog::decode(json(catalog).dump()), catalog);

    catalog.macApp.reset();
    json encoded = catalog;
    EXPECT_FALSE(encoded.contains("macApp"));
    EXPECT_EQ(DatasetCatalog::decode(encoded.dump()), catalog);

    encoded["macApp"] = nullptr;
    EXPECT_EQ(DatasetCatalog::decode(encoded.dump()), catalog);
}

TEST(DatasetCatalogJSON, laterFormatVersionsAndUnknownKeysDecode)
{
    json document = sampleDocument();
    document["formatVersion"] = 2;
    document["publishedBy"] = "qualcuno";
    document["datasets"][0]["mirror"] = "https://mirror.example.org/";
    document["macApp"]["channel"] = "beta";
    auto catalog = DatasetCatalog::decode(document.dump());
    EXPECT_EQ(catalog.formatVersion, 2);
    EXPECT_EQ(catalog.datasets.size(), 2u);
    EXPECT_EQ(catalog.datasets[0], sampleEntry());
    EXPECT_EQ(catalog.macApp, sampleRelease());
    EXPECT_EQ(catalog.datasets[0].archiveBytes, 123456789012);
}

TEST(DatasetCatalogJSON, everyMissingKeyFailsTheWholeDocument)
{
    const json entry = sampleEntry(), release = sampleRelease();
    for (const auto& key : entry.items()) {
        json document = sampleDocument();
        document["datasets"][1].erase(key.key());
        EXPECT_NE(decodingFailure(document).find("chiave mancante: " + key.key()), std::string::npos)
            << key.key();
    }
    for (const auto& key : release.items()) {
        json document = sampleDocument();
        document["macApp"].erase(key.key());
        EXPECT_NE(decodingFailure(document).find("macApp"), std::string::npos) << key.key();
    }
    for (const char* key : {"formatVersion", "datasets"}) {
        json document = sampleDocument();
        document.erase(key);
        EXPECT_NE(decodingFailure(document), "") << key;
    }
}

TEST(DatasetCatalogJSON, wrongTypesAndRangesAreRefused)
{
    struct Case {
        const char* what;
        std::function<void(json&)> spoil;
    };
    const Case cases[] = {
        {"id as number", [](json& d) { d["datasets"][0]["id"] = 7; }},
        {"bytes as text", [](json& d) { d["datasets"][0]["archiveBytes"] = "12"; }},
        {"fractional count", [](json& d) { d["datasets"][0]["structureCount"] = 12.5; }},
        {"bytes beyond 64 bits", [](json& d) { d["datasets"][0]["archiveBytes"] = 9223372036854775808ull; }},
        {"null digest", [](json& d) { d["datasets"][0]["sha256"] = nullptr; }},
        {"datasets as object", [](json& d) { d["datasets"] = json::object(); }},
        {"entry as text", [](json& d) { d["datasets"][1] = "entry"; }},
        {"release as list", [](json& d) { d["macApp"] = json::array(); }},
        {"release bytes as bool", [](json& d) { d["macApp"]["bytes"] = true; }},
        {"format version as text", [](json& d) { d["formatVersion"] = "1"; }},
    };
    for (const auto& c : cases) {
        json document = sampleDocument();
        c.spoil(document);
        EXPECT_NE(decodingFailure(document), "") << c.what;
    }
    EXPECT_THROW(DatasetCatalog::decode("[1, 2]"), DecodingError);
    EXPECT_THROW(DatasetCatalog::decode(""), DecodingError);
    EXPECT_THROW(DatasetCatalog::decode("{\"formatVersion\": 1, \"datasets\": ["), DecodingError);

    json largest = sampleDocument();
    largest["datasets"][0]["archiveBytes"] = 9223372036854775807ll;
    EXPECT_EQ(DatasetCatalog::decode(largest.dump()).datasets[0].archiveBytes, 9223372036854775807ll);
}

// Installing holds an archive to its entry's installed size: an entry without
// one would let an archive expand without limit, so the catalog is refused.
TEST(DatasetCatalogJSON, anEntryWithoutAnInstalledSizeIsRefusedByName)
{
    const std::pair<std::int64_t, std::string> cases[] = {
        {0, "installedBytes vale 0"},
        {-1, "installedBytes vale -1"},
    };
    for (const auto& [bytes, said] : cases) {
        json document = sampleDocument();
        document["datasets"][1]["installedBytes"] = bytes;
        EXPECT_EQ(decodingFailure(document),
            "Il catalogo dei dataset non è valido: datasets[1] (dataset \"other\"): " + said
                + ", deve essere maggiore di 0.")
            << bytes;
    }
    json document = sampleDocument();
    document["datasets"][0]["installedBytes"] = 1;
    EXPECT_EQ(DatasetCatalog::decode(document.dump()).datasets[0].installedBytes, 1);
}

TEST(DatasetCatalogVersions, isNewerComparesDottedNumbers)
{
    struct Case {
        const char* candidate;
        const char* current;
        bool newer;
    };
    const Case cases[] = {
        {"1.10", "1.9", true},
        {"1.9", "1.10", false},
        {"1.2", "1.2.0", false},
        {"1.2.0", "1.2", false},
        {"1.2.1", "1.2", true},
        {"1.2b", "1.1", false},
        {"1..3", "1.2", true},
        {".2.", "0.1", true},
        {"+2", "1", true},
        {"-1", "0", false},
        {"", "0.0", false},
        {"2", "", true},
        {"1.2.3", "1.2.3", false},
        {"99999999999999999999", "1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DatasetCatalog::isNewer(c.candidate, c.current), c.newer)
            << c.candidate << " vs " << c.current;
}

TEST(DatasetCatalogAddresses, onlyAbsoluteAddressesParse)
{
    auto entry = sampleEntry();
    EXPECT_EQ(entry.archiveURL(), "https://example.org/dl/bodyparts3d-4.0.mrvz");
    for (const char* text : {"", "non è un indirizzo", "/dl/archivio.mrvz", "archivio.mrvz", "https://"}) {
        entry.archive = text;
        EXPECT_FALSE(entry.archiveURL()) << text;
    }
    auto release = sampleRelease();
    EXPECT_TRUE(release.downloadURL());
    release.download = "::";
    EXPECT_FALSE(release.downloadURL());
    EXPECT_EQ(DatasetCatalog::url().rfind("https://", 0), 0u);
    EXPECT_TRUE(DatasetCatalog::url().ends_with("/dl/catalog.json"));
}

class DatasetCatalogLoad : public ::testing::Test {
protected:
    test::TemporaryFolder folder {"catalog-server"};
    test::TestHttpServer server {folder.path()};

    void publish(const std::string& name, const std::string& bytes) { test::writeFile(folder / name, bytes); }

    std::string loadFailure(const std::string& address)
    {
        try {
            DatasetCatalog::load(address);
        } catch (const std::exception& error) {
            return error.what();
        }
        return "";
    }
};

TEST_F(DatasetCatalogLoad, fetchesAndDecodesBypassingCaches)
{
    publish("catalog.json", sampleDocument().dump(2));
    auto catalog = DatasetCatalog::load(server.address("catalog.json"));
    ASSERT_EQ(catalog.datasets.size(), 2u);
    EXPECT_EQ(catalog.datasets[1].id, "other");
    EXPECT_EQ(catalog.macApp, sampleRelease());
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(json::parse(requests[0])["cacheControl"], "no-cache");
}

TEST_F(DatasetCatalogLoad, badStatusesCarryTheirCode)
{
    for (int status : {404, 500, 301}) {
        try {
            DatasetCatalog::load(server.address("catalog.json?status=" + std::to_string(status)));
            ADD_FAILURE() << status;
        } catch (const DatasetCatalog::CatalogError& error) {
            EXPECT_EQ(error.status(), status);
            EXPECT_EQ(std::string(error.what()),
                "Il catalogo dei dataset ha risposto con stato " + std::to_string(status)
                    + ". Riprova fra poco.");
        }
    }
}

TEST_F(DatasetCatalogLoad, emptyOrMalformedBodiesFailInTheDecoder)
{
    EXPECT_THROW(DatasetCatalog::load(server.address("catalog.json?status=204")), DecodingError);
    publish("broken.json", "{\"formatVersion\": 1, \"datasets\": [{\"id\": \"x\"}]}");
    EXPECT_NE(
        loadFailure(server.address("broken.json")).find("chiave mancante: displayName"), std::string::npos);
}

TEST_F(DatasetCatalogLoad, redirectsAreFollowedOnlyToPermittedAddresses)
{
    publish("catalog.json", sampleDocument().dump());
    auto moved = server.address("old.json?location=" + server.address("catalog.json"));
    EXPECT_EQ(DatasetCatalog::load(moved).datasets.size(), 2u);

    auto toPlainHTTP = server.address("old.json?location=http://example.invalid/catalog.json");
    EXPECT_EQ(loadFailure(toPlainHTTP), "Reindirizzamento verso un indirizzo non sicuro rifiutato.");
    EXPECT_EQ(loadFailure(server.address("loop.json?location=self")), "Troppi reindirizzamenti.");
}

TEST_F(DatasetCatalogLoad, transportFailuresAndRefusedAddressesThrowTransferErrors)
{
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length);
    int closedPort = ntohs(local.sin_port);
    close(probe);

    EXPECT_THROW(DatasetCatalog::load("http://127.0.0.1:" + std::to_string(closedPort) + "/dl/catalog.json"),
        HttpTransfer::Error);
    EXPECT_THROW(DatasetCatalog::load("http://example.invalid/dl/catalog.json"), HttpTransfer::Error);
    EXPECT_THROW(DatasetCatalog::load("ftp://127.0.0.1/dl/catalog.json"), HttpTransfer::Error);
    EXPECT_THROW(DatasetCatalog::load("catalog.json"), HttpTransfer::Error);
}

TEST_F(DatasetCatalogLoad, fileAddressesAreAcceptedWithoutStatus)
{
    publish("catalog.json", sampleDocument().dump());
    auto catalog = DatasetCatalog::load("file://" + (folder / "catalog.json").string());
    EXPECT_EQ(catalog.datasets.size(), 2u);
    EXPECT_THROW(DatasetCatalog::load("file://" + (folder / "absent.json").string()), HttpTransfer::Error);
}

TEST_F(DatasetCatalogLoad, aStopEndsAFetchStillReceivingItsBody)
{
    auto document = sampleDocument();
    document["datasets"][0]["notes"] = std::string(2'000'000, 'n'); // 40 s at the slow pace
    const std::string body = document.dump();
    publish("catalog.json", body);
    std::atomic<bool> stop {false};
    std::string failure;
    const auto requested = std::chrono::steady_clock::now();
    std::thread fetch([&] {
        try {
            DatasetCatalog::load(server.address("catalog.json?slow=1"), stop);
        } catch (const HttpTransfer::Error& error) {
            failure = error.what();
        }
    });
    while (server.requests().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop = true;
    fetch.join();
    EXPECT_LT(std::chrono::steady_clock::now() - requested, test::TestHttpServer::slowBodyTime(body.size()))
        << "the fetch ended with the body, not with the stop";
    EXPECT_EQ(failure, "Richiesta del catalogo annullata.");
}
