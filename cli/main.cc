// kaveltar-cli: batch work and automation on a KAVELTAR installation.
#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) { return kaveltar::cli::Run(argc, argv, std::cout, std::cerr); }
