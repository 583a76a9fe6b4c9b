// A rules engine whose rules are ZIRN functions: the host loads the rules
// file, calls every rule for every order, and offers the rules the function
// $price$. Each rule gets a step budget, so a rule that never ends is stopped
// and reported instead of holding the host.
//
// Usage: rules RULES_FILE
#include <zirn/zirn.h>

#include <cstdint>
#include <iostream>
#include <map>
#include <string>
#include <vector>

struct Order {
    std::string item;
    std::int64_t quantity;
    std::int64_t years;
};

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: rules RULES_FILE\n";
        return 2;
    }
    const std::map<std::string, std::int64_t> prices{{"pen", 2}, {"chair", 80}, {"desk", 300}};

    zirn::Options options;
    options.file_access = zirn::FileAccess::None;  // rules have no business with files
    options.step_budget = 10000;                   // per rule call
    zirn::Interpreter rules(options);
    rules.define("price", [&prices](const std::vector<zirn::Value>& arguments) {
        const std::string& item = arguments.at(0).as_string();
        const auto found = prices.find(item);
        if (found == prices.end()) throw std::runtime_error("no price for '" + item + "'");
        return zirn::Value(found->second);
    });
    try {
        rules.run_file(argv[1]);
    } catch (const zirn::Error& error) {
        std::cerr << "error: " << error.what() << "\n";
        return 1;
    }

    const std::vector<std::string> rule_names{"bulk", "loyal", "big_order", "runaway"};
    const std::vector<Order> orders{{"pen", 12, 1}, {"desk", 2, 7}, {"chair", 1, 2}, {"lamp", 1, 9}};
    for (const Order& order : orders) {
        std::int64_t discount = 0;
        for (const std::string& rule : rule_names) {
            try {
                discount += rules.call(rule, order.item, order.quantity, order.years).as_integer();
            } catch (const zirn::Error& error) {
                std::cout << "  rule " << rule << " skipped: " << error.what() << "\n";
            }
        }
        std::cout << order.quantity << " x " << order.item << ": " << discount << "% off\n";
    }
    return 0;
}
