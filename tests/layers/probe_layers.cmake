# cmake -DTABLE=src/layers.cmake -DSOURCES=src -DPATHS=layer_include_paths.cmake
#       -DCOMPILER=c++ -DPROBES=DIR -P probe_layers.cmake
#
# For every layer, a probe source of that layer for each layer it does not see: it includes a
# header of the other layer and is compiled with the include paths the build gives the layer's
# library (PATHS sets includes_LAYER for each). None may compile: the header must not be found.
# A probe that includes a header of the layer itself shows that the paths do find what they hold.
cmake_minimum_required(VERSION 3.25)
include(${TABLE})
include(${PATHS})
file(REMOVE_RECURSE ${PROBES})
file(MAKE_DIRECTORY ${PROBES})

# A header of each layer: the first of its folder.
foreach(layer IN LISTS ZORVANIL_LAYERS)
  file(GLOB headers RELATIVE ${SOURCES} ${SOURCES}/${layer}/*.hpp)
  list(SORT headers)
  list(GET headers 0 header_${layer})
endforeach()

# Compiles a probe of `layer` that includes `header`; sets `output` and `compiled`.
function(compile_probe layer header)
  string(MAKE_C_IDENTIFIER "${layer}_${header}" name)
  set(probe ${PROBES}/${name}.cpp)
  file(WRITE ${probe} "#include \"${header}\"\n")
  set(flags "")
  set(paths ${includes_${layer}})
  list(REMOVE_DUPLICATES paths)
  foreach(path IN LISTS paths)
    list(APPEND flags -I${path})
  endforeach()
  execute_process(COMMAND ${COMPILER} -std=c++20 -fsyntax-only ${flags} ${probe}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(output "${out}" PARENT_SCOPE)
  if(result EQUAL 0)
    set(compiled TRUE PARENT_SCOPE)
  else()
    set(compiled FALSE PARENT_SCOPE)
  endif()
endfunction()

set(faults 0)
set(probes 0)
foreach(layer IN LISTS ZORVANIL_LAYERS)
  compile_probe(${layer} ${header_${layer}})
  if(NOT compiled)
    message("${layer} cannot include its own ${header_${layer}}:\n${output}")
    math(EXPR faults "${faults} + 1")
  endif()
  foreach(other IN LISTS ZORVANIL_LAYERS)
    if(other IN_LIST ZORVANIL_LAYER_${layer}_SEES)
      continue()
    endif()
    math(EXPR probes "${probes} + 1")
    compile_probe(${layer} ${header_${other}})
    if(compiled)
      message("${layer} includes ${header_${other}}, which it does not see, and compiles")
      math(EXPR faults "${faults} + 1")
    elseif(NOT output MATCHES "${header_${other}}: No such file or directory")
      message("${layer} including ${header_${other}} fails for another reason:\n${output}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} faults against the layers")
endif()
message("${probes} wrong-way includes, none of them compiles")
