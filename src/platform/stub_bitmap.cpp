// Placeholder until bitmap loading is built.
#include "platform/bitmap.h"

namespace corv {
bool LoadBitmap(std::string_view, int, Surface&, std::string* error) {
  if (error) *error = "bitmap loading is not built yet";
  return false;
}
bool LoadBitmapFile(const std::string&, int, Surface&, std::string* error) {
  if (error) *error = "bitmap loading is not built yet";
  return false;
}
}  // namespace corv
