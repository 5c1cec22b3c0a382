# What the manual page (man-page.cmake) and the Windows README.txt
# (readme-txt.cmake) share: a page's keys line filled in from keys.json (see
# keys.cmake), each row and note put in words by the caller's own functions.

# keys_fill(TEXT MARKER KEYS ROW NOTE OUT): TEXT with its one line MARKER
# (newline included) replaced by the entries of KEYS: ROW(key does) for each
# row of its keys, then NOTE(text) for each of its notes, in order; both hand
# their entry back in the variable `entry`.
function(keys_fill text marker keys row_function note_function out)
  file(READ "${keys}" json)
  set(entries "")
  string(JSON rows LENGTH "${json}" keys)
  math(EXPR last "${rows} - 1")
  foreach(index RANGE ${last})
    string(JSON key GET "${json}" keys ${index} key)
    string(JSON does GET "${json}" keys ${index} does)
    cmake_language(CALL ${row_function} "${key}" "${does}")
    string(APPEND entries "${entry}")
  endforeach()
  string(JSON notes LENGTH "${json}" notes)
  if(notes GREATER 0)
    math(EXPR last "${notes} - 1")
    foreach(index RANGE ${last})
      string(JSON note GET "${json}" notes ${index})
      cmake_language(CALL ${note_function} "${note}")
      string(APPEND entries "${entry}")
    endforeach()
  endif()
  string(FIND "${text}" "${marker}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the page has no line ${marker} for the keys")
  endif()
  string(REPLACE "${marker}" "${entries}" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
