// talvora-defaults: reads and writes the application's preferences domain from outside the
// application, as `defaults` does on a Mac. It goes through the same store as the application,
// so its writes are merged and atomic, and the running application sees them within a second.

#include "platform/input_checks.h"
#include "vmac/file_preferences_store.h"
#include "vmac/system_logs.h"
#include "vmac/virtual_run_loop.h"
#include "vmac/home_folder.h"
#include "vmac/system_clock.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace talvora;

namespace {

constexpr const char* kUsage = "usage: talvora-defaults [--home DIR] read [KEY]\n"
                               "       talvora-defaults [--home DIR] write KEY -bool true|false|yes|no|1|0\n"
                               "       talvora-defaults [--home DIR] write KEY -int N\n"
                               "       talvora-defaults [--home DIR] write KEY -float X\n"
                               "       talvora-defaults [--home DIR] write KEY -string S\n"
                               "       talvora-defaults [--home DIR] write KEY -data HEX\n"
                               "       talvora-defaults [--home DIR] write KEY -array [S...]\n"
                               "       talvora-defaults [--home DIR] delete KEY\n";

int usageError(const std::string& message)
{
    std::cerr << "talvora-defaults: " << escapeControlCharacters(message) << '\n' << kUsage;
    return 2;
}

// A value or key quoted back to the user.
std::string shownText(std::string_view text)
{
    return "'" + escapeControlCharacters(text) + "'";
}

std::string lowercased(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::optional<bool> parseBool(std::string_view text)
{
    std::string t = lowercased(text);
    if (t == "true" || t == "yes" || t == "1")
        return true;
    if (t == "false" || t == "no" || t == "0")
        return false;
    return std::nullopt;
}

// from_chars takes no leading '+', which people do type.
std::string_view withoutPlus(std::string_view text)
{
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    return text;
}

std::optional<std::int64_t> parseInt(std::string_view text)
{
    text = withoutPlus(text);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseFloat(std::string_view text)
{
    text = withoutPlus(text);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<PreferenceData> parseHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    PreferenceData bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int high = hexDigit(text[i]), low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::string formatDouble(double d)
{
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, d);
    std::string text(buffer, error == std::errc() ? end : buffer);
    // Shown as a double even when it is a whole number, so that its type is visible.
    if (std::isfinite(d) && text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

std::string formatValue(const PreferenceValue& value)
{
    if (auto* b = std::get_if<bool>(&value))
        return *b ? "true" : "false";
    if (auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (auto* d = std::get_if<double>(&value))
        return formatDouble(*d);
    if (auto* s = std::get_if<std::string>(&value))
        return *s;
    if (auto* data = std::get_if<PreferenceData>(&value)) {
        static constexpr char digits[] = "0123456789abcdef";
        std::string hex;
        for (auto byte : *data) {
            hex += digits[byte >> 4];
            hex += digits[byte & 15];
        }
        return hex;
    }
    // JSON keeps the items unambiguous when they contain commas or quotes.
    return nlohmann::json(std::get<StringArray>(value)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The value of a write command, or a message saying what is wrong with it.
std::optional<PreferenceValue> parseWriteValue(const std::vector<std::string>& args, std::string& problem)
{
    if (args.empty()) {
        problem = "missing value type";
        return std::nullopt;
    }
    const std::string& type = args[0];
    std::vector<std::string> operands(args.begin() + 1, args.end());
    // Keys and strings are stored as JSON text, which holds only UTF-8: anything else would be
    // changed on the way in and could not be read back as it was typed.
    for (const auto& operand : operands) {
        if ((type == "-array" || type == "-string") && !isValidUtf8(operand)) {
            problem = "the value " + shownText(operand) + " is not UTF-8 text";
            return std::nullopt;
        }
    }
    if (type == "-array")
        return PreferenceValue(StringArray(operands));

    if (type != "-bool" && type != "-int" && type != "-float" && type != "-string" && type != "-data") {
        problem = "unknown value type " + shownText(type);
        return std::nullopt;
    }
    if (operands.size() != 1) {
        problem = type + " takes exactly one value";
        return std::nullopt;
    }
    const std::string& text = operands[0];
    if (type == "-string")
        return PreferenceValue(text);
    if (type == "-bool") {
        if (auto b = parseBool(text))
            return PreferenceValue(*b);
        problem = shownText(text) + " is not a Boolean (true, false, yes, no, 1 or 0)";
    } else if (type == "-int") {
        if (auto i = parseInt(text))
            return PreferenceValue(*i);
        problem = shownText(text) + " is not a 64-bit integer";
    } else if (type == "-float") {
        if (auto d = parseFloat(text))
            return PreferenceValue(*d);
        problem = shownText(text) + " is not a finite number";
    } else {
        if (auto bytes = parseHex(text))
            return PreferenceValue(std::move(*bytes));
        problem = shownText(text) + " is not an even number of hexadecimal digits";
    }
    return std::nullopt;
}

int missingKey(const std::string& key)
{
    std::cerr << "The domain/default pair of (" << vmac::kTalvoraDomain << ", " << escapeControlCharacters(key) << ") does not exist\n";
    return 1;
}

// A key must be non-empty UTF-8 text; the problem otherwise.
std::optional<std::string> keyProblem(const std::string& key)
{
    if (key.empty())
        return "a key must not be empty";
    if (!isValidUtf8(key))
        return "the key " + shownText(key) + " is not UTF-8 text";
    return std::nullopt;
}


// "[prefs] could not write …" → "could not write …".
std::string withoutTag(const std::string& message)
{
    if (message.rfind("[", 0) == 0) {
        if (auto end = message.find("] "); end != std::string::npos)
            return message.substr(end + 2);
    }
    return message;
}

int run(const std::vector<std::string>& args)
{
    vmac::HomeFolder home = vmac::defaultHomeFolder();

    std::size_t next = 0;
    if (next < args.size() && (args[next] == "-h" || args[next] == "--help")) {
        std::cout << kUsage;
        return 0;
    }
    if (next < args.size() && args[next] == "--home") {
        if (next + 1 >= args.size() || args[next + 1].empty())
            return usageError("--home needs a folder");
        home.root = args[next + 1];
        next += 2;
    }
    if (next >= args.size())
        return usageError("missing command");
    std::string command = args[next++];
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(next), args.end());

    // Everything is checked before the store is opened, so that bad input changes nothing.
    std::optional<PreferenceValue> newValue;
    if (command == "read") {
        if (rest.size() > 1)
            return usageError("read takes at most one key");
        if (rest.size() == 1 && !isValidUtf8(rest[0]))
            return usageError(*keyProblem(rest[0]));
    } else if (command == "write") {
        if (rest.empty())
            return usageError("write needs a key");
        if (auto problem = keyProblem(rest[0]))
            return usageError(*problem);
        std::string problem;
        newValue = parseWriteValue(std::vector<std::string>(rest.begin() + 1, rest.end()), problem);
        if (!newValue)
            return usageError(problem);
    } else if (command == "delete") {
        if (rest.size() != 1)
            return usageError("delete takes exactly one key");
    } else {
        return usageError("unknown command '" + command + "'");
    }

    vmac::SystemClock clock;
    // The tool registers no observers and never runs its queue: what the store would tell
    // observers is of no interest to a process that writes once and exits.
    vmac::VirtualClock queueClock;
    vmac::VirtualRunLoop mainQueue(queueClock);
    // What the store reports is kept, and at most its last error is shown, after the command:
    // one line per run, whatever went wrong.
    vmac::RecordingSystemLog log;
    vmac::FilePreferencesStore fileStore(home.preferencesFile(), clock, mainQueue, log);
    PreferencesStore& store = fileStore;

    if (command == "read") {
        fileStore.synchronize();
        if (const auto& reason = fileStore.unusableReason()) {
            // Reading a damaged domain as empty would tell the user that nothing is set.
            std::cerr << "talvora-defaults: cannot read " << escapeControlCharacters(fileStore.filePath()) << ": "
                      << escapeControlCharacters(*reason) << '\n';
            return 1;
        }
        if (rest.empty()) {
            for (const auto& [key, value] : fileStore.dictionaryRepresentation())
                std::cout << key << " = " << formatValue(value) << " (" << vmac::preferenceTypeName(value) << ")\n";
            return 0;
        }
        auto value = store.object(rest[0]);
        if (!value)
            return missingKey(rest[0]);
        std::cout << formatValue(*value) << '\n';
        return 0;
    }
    if (command == "write") {
        store.set(rest[0], std::move(*newValue));
    } else {
        if (!store.object(rest[0]))
            return missingKey(rest[0]);
        store.remove(rest[0]);
    }
    // A failed write says why; a write that had to move a damaged file aside says where to.
    const auto records = log.records();
    if (!records.empty())
        std::cerr << "talvora-defaults: " << escapeControlCharacters(withoutTag(records.back().message)) << '\n';
    return fileStore.lastWriteSucceeded() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Whatever goes wrong ends as one line and a failure status, never as an abort.
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "talvora-defaults: " << escapeControlCharacters(e.what()) << '\n';
    } catch (...) {
        std::cerr << "talvora-defaults: unexpected failure\n";
    }
    return 1;
}
