#include <cstdio>

int main(int argc, char** argv)
{
  std::printf("Mereth\n");
  return 0;
}
