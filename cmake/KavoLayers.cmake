# Every library of src/ exports its own folder only: "app/x.h" compiles in a target that links
# kavo_app (directly or through a library that links it publicly) and nowhere else, so an include
# that reaches past the libraries a target links fails to compile.
function(kavo_export_folder target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# The layers of src/, lowest first: a library may link libraries of lower layers only. Checked once
# every library is defined, so a link that points back up or sideways stops the configuration.
set(KAVO_LAYERS
  "kavo_core"
  "kavo_platform"
  "kavo_datafiles;kavo_estimator"
  "kavo_refine;kavo_graph;kavo_detect;kavo_editor"
  "kavo_report;kavo_graph_picture;kavo_graph_qt;kavo_synth;kavo_target"
  "kavo_app"
  "kavo_cli_lib;kavo_gui_lib")

function(kavo_check_layers)
  set(rank 0)
  foreach(layer IN LISTS KAVO_LAYERS)
    foreach(lib IN LISTS layer)
      set(rank_${lib} ${rank})
    endforeach()
    math(EXPR rank "${rank} + 1")
  endforeach()
  foreach(layer IN LISTS KAVO_LAYERS)
    foreach(lib IN LISTS layer)
      if(NOT TARGET ${lib})
        continue()
      endif()
      get_target_property(links ${lib} LINK_LIBRARIES)
      get_target_property(interface ${lib} INTERFACE_LINK_LIBRARIES)
      foreach(dep IN LISTS links interface)
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" dep "${dep}")
        if(DEFINED rank_${dep} AND NOT rank_${dep} LESS rank_${lib})
          message(FATAL_ERROR "${lib} links ${dep}, which is not in a lower layer (cmake/KavoLayers.cmake)")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()
