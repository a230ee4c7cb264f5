# Writes the resource text into a C++ source as a byte array, so that the
# program carries its resources without reading a file at run time.
# usage: cmake -DIN=mereth.rsrc -DOUT=ShippedResources.cpp -P Embed.cmake
file(READ "${IN}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUT}.tmp"
  "// Generated from ${IN} by Embed.cmake; do not edit.\n"
  "#include \"platform/Resources.h\"\n\n"
  "namespace {\n\nconstexpr unsigned char kText[] = {${bytes} 0};\n\n}  // namespace\n\n"
  "std::span<const char> Resources::ShippedText() {\n  return {reinterpret_cast<const char*>(kText), sizeof kText - 1};\n}\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
