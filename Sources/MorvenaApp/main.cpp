#include "MorvenaApp/MorvenaApp.h"

int main(int argc, char** argv)
{
    return morvena::MorvenaApp::main(argc, argv);
}
