#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/GenericDatasetImporter.h"
#include "AnatomyImport/ImportError.h"
#include "AnatomyImport/ImportProgress.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace morvena;

TEST(ImportErrorText, descriptionIsTheItalianTextFollowedByThePayload)
{
    auto noFiles = ImportError::noOBJFiles("/tmp/x");
    EXPECT_STREQ(noFiles.what(), "Nessun file .obj trovato in /tmp/x");
    EXPECT_EQ(noFiles.kind(), ImportError::Kind::noOBJFiles);
    EXPECT_EQ(noFiles.payload(), "/tmp/x");

    auto metadata = ImportError::missingMetadata("isa_element_parts.txt");
    EXPECT_STREQ(metadata.what(), "File di metadati assente: isa_element_parts.txt");
    EXPECT_EQ(metadata.kind(), ImportError::Kind::missingMetadata);
    EXPECT_EQ(metadata.payload(), "isa_element_parts.txt");

    auto nothing = ImportError::noStructures();
    EXPECT_STREQ(nothing.what(), "Nessuna struttura anatomica ricostruita dal dataset.");
    EXPECT_EQ(nothing.kind(), ImportError::Kind::noStructures);
    EXPECT_EQ(nothing.payload(), "");

    auto unplaced = ImportError::orientationUndetermined();
    EXPECT_STREQ(unplaced.what(), "Orientamento del dataset non determinabile dai nomi delle strutture.");
    EXPECT_EQ(unplaced.kind(), ImportError::Kind::orientationUndetermined);
    EXPECT_EQ(unplaced.payload(), "");
    EXPECT_FALSE(unplaced == nothing);

    EXPECT_EQ(ImportError::noOBJFiles("/tmp/x"), noFiles);
    EXPECT_FALSE(ImportError::noOBJFiles("/tmp/y") == noFiles);
    EXPECT_FALSE(ImportError::missingMetadata("/tmp/x") == noFiles);
}

TEST(ImportErrorText, callersCatchItAsARuntimeError)
{
    try {
        throw ImportError::noOBJFiles("/dati/modelli con spazi/è");
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Nessun file .obj trovato in /dati/modelli con spazi/è");
        return;
    }
    FAIL() << "not caught";
}

TEST(ImportProgressRecord, carriesFractionAndMessageUnchanged)
{
    ImportProgress progress {0.55, "Costruzione del pack geometrico…"};
    EXPECT_EQ(progress.fraction, 0.55);
    EXPECT_EQ(progress.message, "Costruzione del pack geometrico…");
    EXPECT_EQ(progress, (ImportProgress {0.55, "Costruzione del pack geometrico…"}));
    EXPECT_EQ(ImportProgress {}, (ImportProgress {0, ""}));
}

TEST(ImporterSettings, bodyParts3DConstantsAndDefaults)
{
    EXPECT_EQ(BodyParts3DImporter::attribution,
        "BodyParts3D, © The Database Center for Life Science licensed under CC Attribution 4.0 "
        "International");
    EXPECT_TRUE(BodyParts3DImporter::sourceURL.starts_with("https://"));
    EXPECT_TRUE(BodyParts3DImporter::sourceURL.ends_with("/en/bodyparts3d/download.html"));

    BodyParts3DImporter::Options options {"/dati/meta", "/dati/obj", "bp3d", 0.01f, true};
    EXPECT_EQ(options.curatedTSV, std::nullopt); // the module's own table

    GenericDatasetImporter::Options generic {"/dati/modello.glb", "mio", "Mio modello", "CC0", "Autore",
        "https://example.org", std::nullopt, 0, false, true};
    EXPECT_EQ(generic.unitsPerMillimeter, std::nullopt);
    EXPECT_TRUE(generic.splitOBJGroups);
}
