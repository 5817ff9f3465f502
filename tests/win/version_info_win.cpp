#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/win/version_info.h"

namespace fluvia::modulecheck {
namespace {

std::string Utf8(const wchar_t* text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return {};
  std::string out(size_t(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  out.pop_back();  // the terminator
  return out;
}

std::string Numbers(DWORD high, DWORD low) {
  char text[64];
  std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", HIWORD(high) + 0ul, LOWORD(high) + 0ul,
                HIWORD(low) + 0ul, LOWORD(low) + 0ul);
  return text;
}

}  // namespace

int PrintVersionInfo(const std::string& file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) {
    std::fprintf(stderr, "FAIL: %s has no version resource (error %lu)\n", file.c_str(),
                 GetLastError());
    return 1;
  }
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) {
    std::fprintf(stderr, "FAIL: cannot read the version resource of %s\n", file.c_str());
    return 1;
  }
  void* fixedData = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", &fixedData, &length) ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    std::fprintf(stderr, "FAIL: %s has no fixed version information\n", file.c_str());
    return 1;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedData);
  if (fixed->dwSignature != 0xFEEF04BD) {
    std::fprintf(stderr, "FAIL: %s has no fixed version information\n", file.c_str());
    return 1;
  }
  std::printf("FixedFileVersion=%s\n", Numbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str());
  std::printf("FixedProductVersion=%s\n",
              Numbers(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str());
  std::printf("FileType=%s\n", fixed->dwFileType == VFT_APP   ? "app"
                               : fixed->dwFileType == VFT_DLL ? "dll"
                                                              : "other");

  // The strings live in the table the translation entry names; without one there is nothing
  // Explorer could show.
  void* translationData = nullptr;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translationData, &length) ||
      length < 4) {
    std::fprintf(stderr, "FAIL: %s names no translation\n", file.c_str());
    return 1;
  }
  const WORD* translation = static_cast<const WORD*>(translationData);
  wchar_t table[32];
  swprintf(table, 32, L"%04x%04x", translation[0], translation[1]);
  std::printf("Translation=%s\n", Utf8(table).c_str());
  static const wchar_t* const kKeys[] = {
      L"Comments",    L"CompanyName",      L"FileDescription", L"FileVersion",
      L"InternalName", L"LegalCopyright",  L"LegalTrademarks", L"OriginalFilename",
      L"PrivateBuild", L"ProductName",     L"ProductVersion",  L"SpecialBuild"};
  for (const wchar_t* key : kKeys) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + key;
    void* value = nullptr;
    if (VerQueryValueW(block.data(), path.c_str(), &value, &length) && value) {
      std::printf("%s=%s\n", Utf8(key).c_str(), Utf8(static_cast<const wchar_t*>(value)).c_str());
    }
  }
  return 0;
}

}  // namespace fluvia::modulecheck
