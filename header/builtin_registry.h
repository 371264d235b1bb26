#pragma once

#include <span>
#include <string_view>

// One agent record as the data file holds it, UTF-8, compiled into the program.
struct BuiltInAgentRecord {
    std::string_view cuit;
    std::string_view razon;
    std::string_view legajo;
};

// The registry the program is built with, in data-file order (defined by the generated source).
std::span<const BuiltInAgentRecord> builtInAgentRecords();
