# Writes the zip's README.txt: README.txt.in with its @KEYS@ line replaced by
# the keys of keys.json (see keys.cmake), each key on a line of its own with
# what it does indented below it, then the notes. Plain text for Notepad:
# UTF-8 with a byte-order mark, CRLF line ends, lines of at most 78 characters.
# Run at build time:
#   cmake -DKEYS=keys.json -DTITLE=... -DVERSION=... -DOUT=README.txt -P readme-txt.cmake
cmake_minimum_required(VERSION 3.25)

set(width 78)

# text without the README's `code` marks, broken at spaces into lines of at
# most width characters, each after indent.
function(wrap text indent out)
  string(REGEX REPLACE "`([^`]+)`" "\\1" text "${text}")
  string(LENGTH "${indent}" room)
  math(EXPR room "${width} - ${room}")
  math(EXPR span "${room} + 1") # a space just after a full line is a break too
  set(lines "")
  string(LENGTH "${text}" length)
  while(length GREATER room)
    string(SUBSTRING "${text}" 0 ${span} head)
    string(FIND "${head}" " " cut REVERSE)
    if(cut LESS 1) # a word longer than a line: left whole
      string(FIND "${text}" " " cut)
      if(cut LESS 1)
        break()
      endif()
    endif()
    string(SUBSTRING "${text}" 0 ${cut} line)
    math(EXPR cut "${cut} + 1")
    string(SUBSTRING "${text}" ${cut} -1 text)
    string(APPEND lines "${indent}${line}\n")
    string(LENGTH "${text}" length)
  endwhile()
  set(${out} "${lines}${indent}${text}\n" PARENT_SCOPE)
endfunction()

# A row's key on a line of its own, what it does indented below; a note as a
# paragraph of its own.
function(readme_row key does)
  wrap("${does}" "    " does)
  set(entry "${key}\n${does}" PARENT_SCOPE)
endfunction()
function(readme_note text)
  wrap("${text}" "" text)
  set(entry "\n${text}" PARENT_SCOPE)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/keys-text.cmake)
file(READ "${CMAKE_CURRENT_LIST_DIR}/README.txt.in" text)
keys_fill("${text}" "@KEYS@\n" "${KEYS}" readme_row readme_note text)
string(REPLACE "@TITLE@" "${TITLE}" text "${text}")
string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
string(ASCII 239 187 191 bom)
file(WRITE "${OUT}" "${bom}${text}")
