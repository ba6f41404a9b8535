#pragma once
// Symbols of the math figure library that programs and foreign-function
// interfaces link against. Everything else in the library stays hidden.
#define TERRAKIT_API __attribute__((visibility("default")))
