#include "value/names.h"

#include <deque>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace zirn::value {

namespace {

// The interner lives for the whole process and is shared by the threads
// of every interpreter in it, so ids mean the same everywhere; the mutex
// guards it. Names are kept in a deque so their storage never moves.
struct NameTable {
    std::mutex mutex;
    std::deque<std::string> texts;
    std::unordered_map<std::string_view, NameId> ids;
};

NameTable& names()
{
    static NameTable* table = new NameTable();
    return *table;
}

}  // namespace

NameId intern_name(std::string_view name)
{
    NameTable& table = names();
    const std::lock_guard lock(table.mutex);
    const auto found = table.ids.find(name);
    if (found != table.ids.end()) return found->second;
    const auto id = static_cast<NameId>(table.texts.size());
    table.texts.emplace_back(name);
    table.ids.emplace(table.texts.back(), id);
    if (!is_bare_word(name)) detail::odd_names.store(true, std::memory_order_release);
    detail::interned_names.store(table.texts.size(), std::memory_order_release);
    return id;
}

bool is_bare_word(std::string_view text)
{
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (text.empty() || !letter(text.front())) return false;
    for (char c : text) {
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    }
    return true;
}

NameId find_name(std::string_view name)
{
    NameTable& table = names();
    const std::lock_guard lock(table.mutex);
    const auto found = table.ids.find(name);
    return found == table.ids.end() ? no_name : found->second;
}

std::string_view name_text(NameId id)
{
    NameTable& table = names();
    const std::lock_guard lock(table.mutex);
    return table.texts.at(id);
}

namespace detail {

std::atomic<std::size_t> interned_names{0};
std::atomic<bool> odd_names{false};
constinit std::size_t argument_id_count = 0;
constinit NameId argument_ids[kept_argument_ids] = {};

NameId intern_argument_name(std::size_t index) { return intern_name("arg" + std::to_string(index)); }

namespace {
// Runs during start-up, while the process has one thread.
const bool argument_ids_kept = [] {
    for (std::size_t i = 0; i < kept_argument_ids; ++i) argument_ids[i] = intern_argument_name(i);
    argument_id_count = kept_argument_ids;
    return true;
}();
}  // namespace

}  // namespace detail

}  // namespace zirn::value
