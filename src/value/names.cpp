#include "value/names.h"

#include <deque>
#include <unordered_map>
#include <vector>

namespace zirn::value {

namespace {

// The interner lives for the whole process; the interpreter runs on one
// thread at a time. Names are kept in a deque so their storage never moves.
struct NameTable {
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
    const auto found = table.ids.find(name);
    if (found != table.ids.end()) return found->second;
    const auto id = static_cast<NameId>(table.texts.size());
    table.texts.emplace_back(name);
    table.ids.emplace(table.texts.back(), id);
    detail::interned_names = table.texts.size();
    return id;
}

NameId find_name(std::string_view name)
{
    const NameTable& table = names();
    const auto found = table.ids.find(name);
    return found == table.ids.end() ? no_name : found->second;
}

std::string_view name_text(NameId id) { return names().texts.at(id); }

namespace detail {

std::size_t interned_names = 0;
std::vector<NameId> argument_ids;

NameId intern_argument_names(std::size_t up_to)
{
    while (argument_ids.size() <= up_to) argument_ids.push_back(intern_name("arg" + std::to_string(argument_ids.size())));
    return argument_ids[up_to];
}

}  // namespace detail

}  // namespace zirn::value
