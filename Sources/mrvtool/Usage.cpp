#include "mrvtool/Usage.h"

#include "AnatomyCore/Storage/AppPaths.h"
#include "mrvtool/Fail.h"
#include "mrvtool/Output/Console.h"

namespace morvena::tool {

namespace {
constexpr const char* usageBody = R"(mrvtool — strumenti dataset di Morvena

USO
  mrvtool import-bodyparts3d --metadata <dir> --obj <dir> [--id <dataset>] [--no-lod] [--report <file.tsv>]
  mrvtool import --input <file|dir> --id <dataset> --name <nome> --license <licenza> \
                 --attribution <testo> --source <url> [--units-per-mm <n>] [--weld <tolleranza>]
  mrvtool list
  mrvtool info [--id <dataset>]
  mrvtool search <testo> [--id <dataset>] [--limit <n>]
  mrvtool structure <FMAxxxxx> [--id <dataset>]
  mrvtool verify [--id <dataset>]
  mrvtool audit [--id <dataset>] [--full]
  mrvtool bench [--id <dataset>] [--width <px>] [--height <px>] [--frames <n>]
  mrvtool pick-test [--id <dataset>] [--view <preset>] [--systems …] [--out <file.png>]
  mrvtool export-gltf --out <file.glb> [--structure <FMA>] [--system <nome>] [--all]
                      [--lod <0-2>] [--id <dataset>]
  mrvtool fetch-dataset [--id <dataset>] [--catalog <url>]
  mrvtool pack-dataset [--id <dataset>] [--out <dir>] [--revision <n>] [--base-url <url>] \
                       [--app-version <v> --app-dmg <file> [--app-build <n>]]
  mrvtool export-web --out <dir> [--lod <0-2>] [--id <dataset>] [--limit <n>]
  mrvtool render --out <file.png> [--id <dataset>] [--width <px>] [--height <px>]
                 [--view anterior|posterior|left|right|superior|inferior]
                 [--systems scheletro,muscoli,…] [--structure <FMAxxxxx>] [--isolate]
                 [--explode <0-1>] [--clip sagittal|transverse|frontal --clip-offset <mm>]
                 [--light|--dark] [--benchmark <frame>]

I percorsi dei dataset installati stanno in
  )";
} // namespace

std::string usageText()
{
    return usageBody + AppPaths::datasetsDirectory().string();
}

void usage()
{
    Console::print(usageText());
    throw ExitRequest {2};
}

} // namespace morvena::tool
