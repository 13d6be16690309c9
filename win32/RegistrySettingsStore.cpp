#include "win32/RegistrySettingsStore.h"

#include <windows.h>

#include <cwchar>
#include <utility>

#include "win32/Controls.h"

namespace tallis::win32 {

namespace {

// The key's subkey below the program's own, and the value's name.
std::pair<std::wstring, std::wstring> Split(const std::wstring& root, std::string_view key) {
    std::wstring wide = Widen(std::string(key));
    std::wstring subkey = root;
    if (const std::size_t slash = wide.rfind(L'/'); slash != std::wstring::npos) {
        std::wstring folder = wide.substr(0, slash);
        for (wchar_t& character : folder) {
            character = character == L'/' ? L'\\' : character;
        }
        subkey += L"\\" + folder;
        wide.erase(0, slash + 1);
    }
    return {subkey, wide};
}

}  // namespace

RegistrySettingsStore::RegistrySettingsStore(const std::wstring& program)
    : root_(L"Software\\TALLIS\\" + program) {}

std::optional<std::string> RegistrySettingsStore::Value(std::string_view key) const {
    const auto [subkey, name] = Split(root_, key);
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     text.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    return Narrow(text);
}

// A value that cannot be written is lost: the program runs on with the
// settings it has.
void RegistrySettingsStore::SetValue(std::string_view key, const std::string& value) {
    const auto [subkey, name] = Split(root_, key);
    const std::wstring text = Widen(value);
    RegSetKeyValueW(HKEY_CURRENT_USER, subkey.c_str(), name.c_str(), REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace tallis::win32
