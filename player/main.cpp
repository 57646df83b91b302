#include "player/visit.h"

int main(int argc, char** argv) { return ThyreMain(argc, argv); }
