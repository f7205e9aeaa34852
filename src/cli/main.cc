#include <cstdio>

int main(int argc, char** argv) {
  std::fprintf(stderr, "usage: pagewright COMMAND ...\n");
  return 1;
}
