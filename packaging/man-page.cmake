# Writes the manual page: PAGE with its line ".\" @KEYS@" replaced by the KEYS
# entries of keys.json (see keys.cmake), each key a .TP entry with the key in
# bold, then the notes as paragraphs. Run at build time:
#   cmake -DKEYS=keys.json -DPAGE=quadruped.6 -DOUT=FILE -P man-page.cmake
cmake_minimum_required(VERSION 3.25)

# text for troff: a backslash escaped, `code` in bold, no leading control character.
function(roff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "`([^`]+)`" "\\\\fB\\1\\\\fR" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${KEYS}" json)
file(READ "${PAGE}" page)
set(entries "")
string(JSON rows LENGTH "${json}" keys)
math(EXPR last "${rows} - 1")
foreach(row RANGE ${last})
  string(JSON key GET "${json}" keys ${row} key)
  string(JSON does GET "${json}" keys ${row} does)
  roff("${key}" key)
  roff("${does}" does)
  string(APPEND entries ".TP\n\\fB${key}\\fR\n${does}\n")
endforeach()
string(JSON notes LENGTH "${json}" notes)
if(notes GREATER 0)
  math(EXPR last "${notes} - 1")
  foreach(note RANGE ${last})
    string(JSON text GET "${json}" notes ${note})
    roff("${text}" text)
    string(APPEND entries ".PP\n${text}\n")
  endforeach()
endif()

string(FIND "${page}" ".\\\" @KEYS@\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${PAGE} has no line .\\\" @KEYS@ for the keys")
endif()
string(REPLACE ".\\\" @KEYS@\n" "${entries}" page "${page}")
file(WRITE "${OUT}" "${page}")
