# Reads the "Keys" table of README.md, the one place the program's keys are
# written down, into keys.json, from which the manual page, the browser page
# and the tests take them. Run at build time:
#   cmake -DREADME=README.md -DOUT=keys.json -P keys.cmake
#
# keys.json holds one row object per line:
#   {"keys": [
#   {"key": "Left / Right", "does": "turn the camera left / right by 0.05 radians",
#    "buttons": [{"name": "Left", "label": "Turn the camera left by 0.05 radians",
#                 "key": "ArrowLeft", "code": "ArrowLeft", "keyCode": 37}, ...]},
#   ...],
#   "notes": ["Every other key only redraws the picture. ..."]}
# "key" and "does" are the row's cells as the README shows them (without the
# backticks around the key); each key of the row has a button: its name, a
# short label that says what it does (the text before the first ':', ';' or
# '(', with a "left / right" pair split between the row's two keys), and the
# browser's key, code and keyCode for it. "notes" are the paragraphs that
# follow the table.
cmake_minimum_required(VERSION 3.25)

# The browser's names and codes for a key as the README names it.
function(browser_key name out_key out_code out_keycode)
  set(key "${name}")
  set(code "")
  foreach(entry ",|Comma|188" ".|Period|190" "/|Slash|191" "-|Minus|189" "=|Equal|187")
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 mark)
    if(name STREQUAL mark)
      list(GET entry 1 code)
      list(GET entry 2 keycode)
    endif()
  endforeach()
  set(arrows Left Up Right Down)
  list(FIND arrows "${name}" arrow)
  if(code)
    # one of the marks above
  elseif(name MATCHES "^[a-z]$")
    string(TOUPPER "${name}" upper)
    string(HEX "${upper}" hex)
    math(EXPR keycode "0x${hex}")
    set(code "Key${upper}")
  elseif(name MATCHES "^[0-9]$")
    math(EXPR keycode "48 + ${name}")
    set(code "Digit${name}")
  elseif(name MATCHES "^F([0-9]|1[0-2])$")
    math(EXPR keycode "111 + ${CMAKE_MATCH_1}") # F1 is 112
    set(code "${name}")
  elseif(arrow GREATER -1)
    math(EXPR keycode "37 + ${arrow}")
    set(key "Arrow${name}")
    set(code "Arrow${name}")
  elseif(name STREQUAL "Escape")
    set(keycode 27)
    set(code Escape)
  else()
    message(FATAL_ERROR "README.md: no browser key is known for \"${name}\"")
  endif()
  set(${out_key} "${key}" PARENT_SCOPE)
  set(${out_code} "${code}" PARENT_SCOPE)
  set(${out_keycode} "${keycode}" PARENT_SCOPE)
endfunction()

# text as a JSON string, quotes included.
function(json_string text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

file(READ "${README}" readme)
# A semicolon would split CMake's lists: a stand-in until the file is written.
set(semicolon "@semicolon@")
string(REPLACE ";" "${semicolon}" readme "${readme}")
string(REGEX MATCH "\n## Keys\n\n\\| Key \\|[^\n]*\n\\|[-|]+\n(\\|[^\n]*\n)+" table "${readme}")
if(NOT table)
  message(FATAL_ERROR "README.md has no \"## Keys\" table")
endif()
string(REGEX MATCHALL "\n\\|[^\n]*" rows "${table}")
list(REMOVE_AT rows 0 1) # the heading and its rule

set(json "{\"keys\": [\n")
set(separator "")
foreach(row IN LISTS rows)
  if(NOT row MATCHES "^\n\\| ([^|]+) \\| ([^|]+) \\|$")
    message(FATAL_ERROR "README.md: not a two-column keys row: ${row}")
  endif()
  string(REPLACE "`" "" key "${CMAKE_MATCH_1}")
  set(does "${CMAKE_MATCH_2}")

  # The label: what the row does, up to its first ':', ';' or '('.
  string(LENGTH "${does}" end)
  foreach(stop ":" "(" "${semicolon}")
    string(FIND "${does}" "${stop}" at)
    if(at GREATER -1 AND at LESS end)
      set(end ${at})
    endif()
  endforeach()
  string(SUBSTRING "${does}" 0 ${end} label)
  string(REPLACE "`" "" label "${label}")
  string(STRIP "${label}" label)
  string(SUBSTRING "${label}" 0 1 first)
  string(SUBSTRING "${label}" 1 -1 rest)
  string(TOUPPER "${first}" first)
  set(label "${first}${rest}")

  # "Left / Right" rows: one button per key, each with its half of the label's pair.
  string(REPLACE " / " ";" names "${key}")
  list(LENGTH names count)
  set(buttons "")
  set(index 0)
  foreach(name IN LISTS names)
    set(own "${label}")
    if(count GREATER 1)
      if(NOT label MATCHES "([^ ]+( / [^ ]+)+)")
        message(FATAL_ERROR "README.md: the row of ${key} names no pair \"a / b\" to share out")
      endif()
      set(pair "${CMAKE_MATCH_1}")
      string(REPLACE " / " ";" halves "${pair}")
      list(GET halves ${index} half)
      string(REPLACE "${pair}" "${half}" own "${label}")
    endif()
    browser_key("${name}" dom_key code keycode)
    foreach(field name own dom_key code)
      json_string("${${field}}" ${field}_json)
    endforeach()
    if(index GREATER 0)
      string(APPEND buttons ", ")
    endif()
    string(APPEND buttons "{\"name\": ${name_json}, \"label\": ${own_json}, "
                          "\"key\": ${dom_key_json}, \"code\": ${code_json}, \"keyCode\": ${keycode}}")
    math(EXPR index "${index} + 1")
  endforeach()
  json_string("${key}" key_json)
  json_string("${does}" does_json)
  string(APPEND json "${separator}{\"key\": ${key_json}, \"does\": ${does_json}, \"buttons\": [${buttons}]}")
  set(separator ",\n")
endforeach()

# The paragraphs after the table, up to the next heading, each on one line.
string(FIND "${readme}" "${table}" start)
string(LENGTH "${table}" length)
math(EXPR start "${start} + ${length}")
string(SUBSTRING "${readme}" ${start} -1 after)
string(REGEX REPLACE "\n## .*" "" after "${after}")
string(REGEX REPLACE "\n\n+" "${semicolon}${semicolon}" after "${after}")
string(REPLACE "\n" " " after "${after}")
string(REPLACE "${semicolon}${semicolon}" ";" paragraphs "${after}")
set(notes "")
foreach(paragraph IN LISTS paragraphs)
  string(STRIP "${paragraph}" paragraph)
  if(paragraph)
    json_string("${paragraph}" paragraph_json)
    list(APPEND notes "${paragraph_json}")
  endif()
endforeach()
list(JOIN notes ", " notes)
string(APPEND json "],\n\"notes\": [${notes}]}\n")

string(REPLACE "${semicolon}" ";" json "${json}")
file(WRITE "${OUT}.new" "${json}")
file(RENAME "${OUT}.new" "${OUT}")
