#include "morlo3/startup.h"

int main() { return morlo3::Main(); }
