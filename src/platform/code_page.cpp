#include "platform/code_page.h"

#include <cstdlib>

std::string GameCodePage() {
  const char* chosen = std::getenv("QUIB_CODE_PAGE");
  const std::string_view page = chosen ? chosen : "";
  if (page == "1250" || page == "1251") return "WINDOWS-" + std::string(page);
  return "WINDOWS-1252";
}
