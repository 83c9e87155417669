// UVO_FOR_EACH(m, T, a, b, ...) expands to m(T, a), m(T, b), ... for up to
// 256 arguments (C++20 __VA_OPT__ recursion through deferred expansion).
#pragma once

#define UVO_PARENS ()
#define UVO_EXPAND(...) UVO_EXPAND4(UVO_EXPAND4(UVO_EXPAND4(UVO_EXPAND4(__VA_ARGS__))))
#define UVO_EXPAND4(...) UVO_EXPAND3(UVO_EXPAND3(UVO_EXPAND3(UVO_EXPAND3(__VA_ARGS__))))
#define UVO_EXPAND3(...) UVO_EXPAND2(UVO_EXPAND2(UVO_EXPAND2(UVO_EXPAND2(__VA_ARGS__))))
#define UVO_EXPAND2(...) UVO_EXPAND1(UVO_EXPAND1(UVO_EXPAND1(UVO_EXPAND1(__VA_ARGS__))))
#define UVO_EXPAND1(...) __VA_ARGS__

#define UVO_FOR_EACH(macro, T, ...) __VA_OPT__(UVO_EXPAND(UVO_FOR_EACH_STEP(macro, T, __VA_ARGS__)))
#define UVO_FOR_EACH_STEP(macro, T, first, ...) \
    macro(T, first) __VA_OPT__(, UVO_FOR_EACH_AGAIN UVO_PARENS(macro, T, __VA_ARGS__))
#define UVO_FOR_EACH_AGAIN() UVO_FOR_EACH_STEP
