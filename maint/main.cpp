#include "maint/maintcmd.h"

int main(int argc, char** argv) { return MaintMain(argc, argv); }
