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

# One .TP entry for a row of keys.json, one .PP paragraph for a note.
function(man_row key does)
  roff("${key}" key)
  roff("${does}" does)
  set(entry ".TP\n\\fB${key}\\fR\n${does}\n" PARENT_SCOPE)
endfunction()
function(man_note text)
  roff("${text}" text)
  set(entry ".PP\n${text}\n" PARENT_SCOPE)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/keys-text.cmake)
file(READ "${PAGE}" page)
keys_fill("${page}" ".\\\" @KEYS@\n" "${KEYS}" man_row man_note page)
file(WRITE "${OUT}" "${page}")
