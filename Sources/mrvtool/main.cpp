#include "mrvtool/Tool.h"

int main(int argc, char** argv)
{
    return morvena::tool::run(std::vector<std::string>(argv + 1, argv + argc));
}
