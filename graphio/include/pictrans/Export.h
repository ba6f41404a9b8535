#pragma once
// Symbols of the graphics library that other programs link against.
#define PICTRANS_API __attribute__((visibility("default")))
