# Turns the agent registry's data file into a C++ source, so that the running program
# reads no file. Run as: cmake -DINPUT=<data file> -DOUTPUT=<source> -P generate_registry.cmake
#
# Every field goes into the source as hex escapes, byte for byte: names may hold UTF-8,
# quotes, backslashes or semicolons, and none of them may change on the way. The lines are
# cut with string(FIND) rather than CMake lists, which would split at semicolons.

cmake_minimum_required(VERSION 3.25)

set(maxRecords 1000)

if(NOT DEFINED INPUT OR NOT DEFINED OUTPUT)
  message(FATAL_ERROR "generate_registry.cmake needs -DINPUT=<data file> and -DOUTPUT=<source>")
endif()
if(NOT EXISTS "${INPUT}")
  message(FATAL_ERROR "${INPUT}: agent registry data file not found")
endif()

file(READ "${INPUT}" content)

# One field as a C++ string_view literal of hex escapes; the sv suffix keeps the length exact.
function(field_literal text outVar)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
  set(${outVar} "\"${escaped}\"sv" PARENT_SCOPE)
endfunction()

set(entries "")
set(lineNumber 0)
string(LENGTH "${content}" remaining)
while(remaining GREATER 0)
  math(EXPR lineNumber "${lineNumber} + 1")
  string(FIND "${content}" "\n" lineEnd)
  if(lineEnd EQUAL -1)
    # A last line without a line feed is a record all the same.
    set(line "${content}")
    set(content "")
  else()
    string(SUBSTRING "${content}" 0 ${lineEnd} line)
    math(EXPR next "${lineEnd} + 1")
    string(SUBSTRING "${content}" ${next} -1 content)
  endif()
  string(LENGTH "${content}" remaining)

  # A carriage return before the line feed is part of the line end, not of the legajo.
  string(LENGTH "${line}" lineLength)
  if(lineLength GREATER 0)
    math(EXPR last "${lineLength} - 1")
    string(SUBSTRING "${line}" ${last} 1 lastChar)
    if(lastChar STREQUAL "\r")
      string(SUBSTRING "${line}" 0 ${last} line)
    endif()
  endif()

  if(lineNumber GREATER maxRecords)
    message(FATAL_ERROR "${INPUT}:${lineNumber}: the agent registry holds at most ${maxRecords} records")
  endif()

  string(FIND "${line}" "\t" tab1)
  if(tab1 EQUAL -1)
    message(FATAL_ERROR "${INPUT}:${lineNumber}: expected three tab-separated fields (CUIT, name, legajo), found one")
  endif()
  string(SUBSTRING "${line}" 0 ${tab1} cuit)
  math(EXPR afterTab1 "${tab1} + 1")
  string(SUBSTRING "${line}" ${afterTab1} -1 rest)
  string(FIND "${rest}" "\t" tab2)
  if(tab2 EQUAL -1)
    message(FATAL_ERROR "${INPUT}:${lineNumber}: expected three tab-separated fields (CUIT, name, legajo), found two")
  endif()
  string(SUBSTRING "${rest}" 0 ${tab2} name)
  math(EXPR afterTab2 "${tab2} + 1")
  string(SUBSTRING "${rest}" ${afterTab2} -1 legajo)
  string(FIND "${legajo}" "\t" tab3)
  if(NOT tab3 EQUAL -1)
    message(FATAL_ERROR "${INPUT}:${lineNumber}: expected three tab-separated fields (CUIT, name, legajo), found more")
  endif()

  field_literal("${cuit}" cuitLiteral)
  field_literal("${name}" nameLiteral)
  field_literal("${legajo}" legajoLiteral)
  string(APPEND entries "    {${cuitLiteral}, ${nameLiteral}, ${legajoLiteral}}, // line ${lineNumber}\n")
endwhile()

if(lineNumber EQUAL 0)
  message(FATAL_ERROR "${INPUT}: the agent registry holds no record")
endif()

set(source "// Generated from ${INPUT} by generate_registry.cmake; do not edit.
#include \"header/builtin_registry.h\"

using namespace std::string_view_literals;

namespace {
constexpr BuiltInAgentRecord records[] = {
${entries}};
} // namespace

std::span<const BuiltInAgentRecord> builtInAgentRecords()
{
    return records;
}
")

# Written only when something changed, so that an unchanged registry recompiles nothing.
file(WRITE "${OUTPUT}.tmp" "${source}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
