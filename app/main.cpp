#include "Main.h"

int main(int argc, char** argv) {
    return modGlobal::Main(argc, argv);
}
