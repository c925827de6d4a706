// Test names made from the behaviour text of a table row.
#pragma once

#include <cctype>
#include <string>

inline std::string behaviourName(size_t index, const char *behaviour) {
    std::string name = std::to_string(index) + "_";
    for (const char *c = behaviour; *c != '\0'; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

// For INSTANTIATE_TEST_SUITE_P over rows that have a behaviour field.
#define BEHAVIOUR_NAMES [](const auto &row) { return behaviourName(row.index, row.param.behaviour); }
