# cmake -DTABLE=src/layers.cmake -DSOURCES=src -P scan_includes.cmake
#
# Reads every #include "..." of the sources against the layer table: a file of folder F may
# include "G/..." only when F sees G. Every folder of the sources must be a layer of the table.
# Lists each include that breaks the rule and fails when there is one.
cmake_minimum_required(VERSION 3.25)
include(${TABLE})
get_filename_component(SOURCES ${SOURCES} ABSOLUTE)

set(faults 0)
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCES} ${SOURCES}/*)
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY ${SOURCES}/${folder} AND NOT folder IN_LIST ZORVANIL_LAYERS)
    message("${folder}/: a folder that is no layer of ${TABLE}")
    math(EXPR faults "${faults} + 1")
  endif()
endforeach()

file(GLOB_RECURSE files RELATIVE ${SOURCES} ${SOURCES}/*.hpp ${SOURCES}/*.cpp)
list(SORT files)
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" layer "${file}")
  if(NOT layer IN_LIST ZORVANIL_LAYERS)
    continue()
  endif()
  # One list item per line: what a CMake list would read as a separator, or as an escape or a
  # bracket that joins items, is left out first.
  file(READ ${SOURCES}/${file} text)
  string(REGEX REPLACE "[];[\\]" " " text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\"")
      continue()
    endif()
    set(included "${CMAKE_MATCH_1}")
    string(REGEX MATCH "^[^/]+/" seen "${included}")
    string(REPLACE "/" "" seen "${seen}")
    if(seen STREQUAL "")
      message("${file}:${number}: #include \"${included}\": an include names its layer's folder")
      math(EXPR faults "${faults} + 1")
    elseif(NOT seen IN_LIST ZORVANIL_LAYER_${layer}_SEES)
      message("${file}:${number}: #include \"${included}\": ${layer} does not see ${seen}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH files scanned)
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} faults against the layers, in ${scanned} files")
endif()
message("${scanned} files: every include follows the layers")
