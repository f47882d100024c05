# Read by CTest after GoogleTest's discovery (tests/CMakeLists.txt): gives
# every test of a test program its area, its kind and any further labels.
# kvo_label_tests(<tests> <area> <kind> <more labels>)
function(kvo_label_tests tests area kind more)
  foreach(test IN LISTS tests)
    # The suite: what comes before the first dot, less a parameter index.
    string(REGEX REPLACE "\\..*$" "" suite "${test}")
    string(REGEX REPLACE "/[0-9]+$" "" suite "${suite}")
    set(testkind ${kind})
    if(suite MATCHES "UnderServer$")
      set(testkind server)
    elseif(kind STREQUAL "display" AND suite MATCHES "Program")
      set(testkind program)
    endif()
    set(labels ${area} ${testkind} ${more})
    set_tests_properties("${test}" PROPERTIES LABELS "${labels}")
  endforeach()
endfunction()
