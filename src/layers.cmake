# The layers of src/: one folder, one library. A layer links the layers named after it in its row
# and sees, that is may include, itself and whatever those layers see; nothing else. Rows go from
# the bottom up, so a layer links only layers of earlier rows and the links cannot go round.
#
# The build gives each layer an include root that holds only what the layer sees, so that a
# wrong-way include does not compile; tests/layers/ checks every include of src/ against the same
# table and builds probes that include the wrong way.
set(ZORVANIL_LAYER_ROWS
    "common"
    "db        common"
    "packet    db"
    "catalogue packet"
    "server    catalogue"
    "read      server"
    "update    server"
    "net       server"
    "host      net"
    "client    common packet"
    "app       read update host")

# Sets ZORVANIL_LAYERS (every layer, bottom up), and for each layer NAME
# ZORVANIL_LAYER_NAME_LINKS (the layers it links) and ZORVANIL_LAYER_NAME_SEES (itself and
# everything it sees, bottom up).
function(zorvanil_read_layer_table)
  set(layers "")
  foreach(row IN LISTS ZORVANIL_LAYER_ROWS)
    separate_arguments(words UNIX_COMMAND "${row}")
    list(POP_FRONT words layer)
    set(sees "")
    foreach(below IN LISTS words)
      if(NOT below IN_LIST layers)
        message(FATAL_ERROR "Layer ${layer} links ${below}, which is not a row above it")
      endif()
      list(APPEND sees ${ZORVANIL_LAYER_${below}_SEES})
    endforeach()
    list(APPEND sees ${layer})
    # Bottom up, as the rows are.
    set(ordered "")
    foreach(known IN LISTS layers ITEMS ${layer})
      if(known IN_LIST sees)
        list(APPEND ordered ${known})
      endif()
    endforeach()
    list(APPEND layers ${layer})
    set(ZORVANIL_LAYER_${layer}_LINKS "${words}")
    set(ZORVANIL_LAYER_${layer}_SEES "${ordered}")
    set(ZORVANIL_LAYER_${layer}_LINKS "${words}" PARENT_SCOPE)
    set(ZORVANIL_LAYER_${layer}_SEES "${ordered}" PARENT_SCOPE)
  endforeach()
  set(ZORVANIL_LAYERS "${layers}" PARENT_SCOPE)
endfunction()

zorvanil_read_layer_table()
