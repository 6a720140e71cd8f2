# morvena_library(NAME [DEPS targets...] [RESOURCES])
# One static library per module folder; every .cpp below the folder is part of it.
# With RESOURCES, Sources/<NAME>/Resources is copied to share/morvena/<NAME>.
function(morvena_library name)
  cmake_parse_arguments(ARG "RESOURCES" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/Sources)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  if(ARG_RESOURCES)
    morvena_resources(${name})
  endif()
endfunction()

function(morvena_resources name)
  set(src ${CMAKE_CURRENT_SOURCE_DIR}/Resources)
  set(dst ${MORVENA_RESOURCE_ROOT}/${name})
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${src}/*)
  set(outputs)
  foreach(file ${files})
    file(RELATIVE_PATH rel ${src} ${file})
    add_custom_command(OUTPUT ${dst}/${rel}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${dst}/${rel}
      DEPENDS ${file})
    list(APPEND outputs ${dst}/${rel})
  endforeach()
  add_custom_target(${name}Resources ALL DEPENDS ${outputs})
  add_dependencies(${name} ${name}Resources)
  install(DIRECTORY ${src}/ DESTINATION share/morvena/${name})
endfunction()

# morvena_tests(NAME DEPS targets...)
# Tests/<NAME>/*.cpp form one executable labelled "unit"; the sub-folders gl/ and
# e2e/ form their own executables labelled "gl" and "e2e".
function(morvena_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  foreach(dep ${ARG_DEPS})
    if(NOT TARGET ${dep})
      return()
    endif()
  endforeach()
  foreach(kind unit gl e2e)
    if(kind STREQUAL "unit")
      file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
      set(target ${name})
    else()
      file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${kind}/*.cpp)
      set(target ${name}_${kind})
    endif()
    if(NOT sources)
      continue()
    endif()
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} MorvenaTestSupport GTest::gmock)
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS ${kind} TIMEOUT 900
                 # One value per property: gtest_discover_tests splits a ";" list of them.
                 ENVIRONMENT "MORVENA_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
                 ENVIRONMENT_MODIFICATION "MORVENA_BINARY_DIR=set:${CMAKE_BINARY_DIR}")
  endforeach()
endfunction()
