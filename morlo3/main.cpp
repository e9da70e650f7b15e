#include "morlo3/startup.h"

int main(int argc, char** argv) { return morlo3::Main(std::vector<std::string>(argv + (argc > 0), argv + argc)); }
