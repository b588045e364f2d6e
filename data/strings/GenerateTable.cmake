# Turns the translators' files (<lang>.txt: one line per row, "row<TAB>text") into the C++ table
# included by the string table's source.
#   cmake -DSTRINGS_DIR=<dir> -DOUTPUT=<file> -P GenerateTable.cmake
# Texts are UTF-8. Inside a text, \r \n \t and \\ are escapes; everything else stands as typed.
# Every file must hold the rows 0 to ROWS-1, each once, in order.
set(ROWS 297)
set(LANGUAGES en fr de es)

set(out "// Generated from data/strings/*.txt by GenerateTable.cmake; edit those files instead.\n")
foreach(lang IN LISTS LANGUAGES)
  set(file "${STRINGS_DIR}/${lang}.txt")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${file}: missing")
  endif()
  file(READ "${file}" content)
  string(REPLACE "\r" "" content "${content}")
  if(NOT content MATCHES "\n$")
    string(APPEND content "\n")
  endif()

  # Escapes other than \r \n \t \\ would be silently changed by the compiler.
  string(REGEX REPLACE "\\\\[rnt\\\\]" "" stripped "${content}")
  if(stripped MATCHES "\\\\")
    message(FATAL_ERROR "${file}: a backslash must start \\r, \\n, \\t or \\\\")
  endif()

  # Shape: every line is "row<TAB>text".
  string(REGEX REPLACE "[0-9]+\t[^\n]*\n" "" rest "${content}")
  if(NOT rest STREQUAL "")
    string(REGEX MATCH "[^\n]*" bad "${rest}")
    message(FATAL_ERROR "${file}: line without \"row<TAB>text\" form: ${bad}")
  endif()

  # Rows 0..ROWS-1, in order, nothing else.
  string(REGEX MATCHALL "\n" newlines "${content}")
  list(LENGTH newlines count)
  if(NOT count EQUAL ROWS)
    message(FATAL_ERROR "${file}: ${count} rows, expected ${ROWS}")
  endif()
  set(probe "\n${content}")
  set(last -1)
  math(EXPR top "${ROWS} - 1")
  foreach(row RANGE 0 ${top})
    string(FIND "${probe}" "\n${row}\t" pos)
    if(pos LESS_EQUAL last)
      message(FATAL_ERROR "${file}: row ${row} missing or out of order")
    endif()
    set(last ${pos})
  endforeach()

  string(REPLACE "\"" "\\\"" content "${content}")
  string(REGEX REPLACE "([0-9]+)\t([^\n]*)\n" "    /* \\1 */ \"\\2\",\n" content "${content}")
  string(TOUPPER "${lang}" LANG)
  string(APPEND out "\ninline constexpr std::string_view kStrRes${LANG}[] = {\n${content}};\n")
endforeach()

# Write only when changed, so that an unchanged table does not rebuild its users.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL out)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${out}")
