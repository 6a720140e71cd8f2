# morvena_library(NAME [RESOURCES] [PUBLIC targets...] [PRIVATE targets...] [EXCLUDE sub-folders...])
# One static library per module folder; every .cpp below the folder is part of it,
# except those in the EXCLUDE sub-folders (libraries of their own).
# Its headers are included as "<Folder>/<Concern>/<Type>.h" through an include root
# that holds this one folder only, so a module sees the headers of the modules it
# links and no others. PUBLIC: what the module's public headers need (other modules,
# header-only libraries); PRIVATE: what only its sources use. DEPS is read as PUBLIC.
# With RESOURCES, Sources/<NAME>/Resources is copied to share/morvena/<NAME>.
function(morvena_library name)
  cmake_parse_arguments(ARG "RESOURCES" "" "PUBLIC;PRIVATE;DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  foreach(folder ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${folder}/")
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  morvena_include_root(${name} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} ${ARG_DEPS} PRIVATE ${ARG_PRIVATE})
  if(ARG_RESOURCES)
    morvena_resources(${name})
  endif()
endfunction()

# morvena_include_root(TARGET MODULE_FOLDER)
# Makes "<Folder>/..." includes reach MODULE_FOLDER (a folder Sources/<Folder>) for
# the target and its users, through an include root that holds that folder alone.
function(morvena_include_root target folder)
  get_filename_component(name ${folder} NAME)
  set(root ${PROJECT_BINARY_DIR}/include/${name})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
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

# Qt's X11 platform plugin passes libxkbcommon-x11 strings that the sanitizer's strict
# string checks read past their end: those checks stay off in the viewer's widget tests.
set(MORVENA_QT_TEST_ENVIRONMENT "ASAN_OPTIONS=string_append::strict_string_checks=0")

# morvena_tests(NAME DEPS targets... [QT])
# Tests/<NAME>/*.cpp form one executable labelled "unit"; the sub-folders gl/ and
# e2e/ form their own executables labelled "gl" and "e2e". With QT (the viewer's
# modules) the unit tests run inside a QCoreApplication and the others inside a
# QApplication on an X server.
function(morvena_tests name)
  cmake_parse_arguments(ARG "QT" "" "DEPS" ${ARGN})
  foreach(dep ${ARG_DEPS})
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "morvena_tests(${name}): ${dep} is not a target")
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
    set(qt_environment)
    if(NOT ARG_QT)
      set(main MorvenaTestMain)
    elseif(kind STREQUAL "unit")
      set(main MorvenaQtUnitTestMain)
    else()
      set(main MorvenaQtGLTestMain)
      set(qt_environment ENVIRONMENT_MODIFICATION ${MORVENA_QT_TEST_ENVIRONMENT})
    endif()
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} ${main} GTest::gmock)
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS ${kind} TIMEOUT 900 ${qt_environment})
  endforeach()
endfunction()
