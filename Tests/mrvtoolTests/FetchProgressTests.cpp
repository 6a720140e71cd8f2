#include "mrvtool/Output/FetchProgress.h"

#include <gtest/gtest.h>

namespace morvena::tool {
namespace {

using Stage = DatasetDownload::Stage;

TEST(FetchProgress, eachDownloadPercentageIsWrittenOnce)
{
    FetchProgress progress;
    EXPECT_EQ(progress.record(Stage::downloading(0, 0)), "\r[  0%] download");
    EXPECT_EQ(progress.record(Stage::downloading(0, 0)), "");
    EXPECT_EQ(progress.record(Stage::downloading(5, 1000)), "");
    EXPECT_EQ(progress.record(Stage::downloading(999, 1000)), "\r[ 99%] download");
    EXPECT_EQ(progress.record(Stage::downloading(1000, 1000)), "\r[100%] download");
    EXPECT_EQ(progress.record(Stage::preparing()), "");
    EXPECT_FALSE(progress.failure());
}

TEST(FetchProgress, laterStagesRewriteTheLineAndAFailureIsKept)
{
    FetchProgress progress;
    EXPECT_EQ(progress.record(Stage::verifying()).size(), 27u);
    EXPECT_EQ(progress.record(Stage::installing()), "\r[ 97%] installazione      ");
    EXPECT_EQ(progress.record(Stage::done()), "\r[100%] completato         \n");
    EXPECT_EQ(progress.record(Stage::failed("Download interrotto: rete assente")), "");
    EXPECT_EQ(progress.failure(), "Download interrotto: rete assente");
}

} // namespace
} // namespace morvena::tool
