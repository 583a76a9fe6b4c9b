// Switches over an enumeration that give every enumerator a case: the
// compiler checks that none is missing (-Wswitch-enum, as an error) and,
// told that no other value comes, dispatches without a range check.
//
//     ZIRN_EVERY_CASE_BEGIN
//     switch (kind) {
//     case Kind::A: ...
//     case Kind::B: ...
//     ZIRN_NO_OTHER_CASE;
//     }
//     ZIRN_EVERY_CASE_END
#pragma once

#define ZIRN_EVERY_CASE_BEGIN _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic error \"-Wswitch-enum\"")
#define ZIRN_NO_OTHER_CASE \
    default:               \
        __builtin_unreachable()
#define ZIRN_EVERY_CASE_END _Pragma("GCC diagnostic pop")
