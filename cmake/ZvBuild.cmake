# How the program's libraries are declared.
#
# zv_library(<name> SOURCES <files...> LINKS <libraries...> [RESOURCES <prefix> <files...>])
#   A static library of one folder and one layer, and what it may use. The build holds it to
#   that: a small program <name>_links is linked with every object of the library and only the
#   declared libraries, so code that reaches for anything undeclared (a rule that uses a widget,
#   a lower layer that calls up into a window) fails the build instead of linking by luck.
function(zv_library name)
  cmake_parse_arguments(arg "" "" "SOURCES;LINKS;RESOURCES" ${ARGN})
  add_library(${name} STATIC ${arg_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${arg_LINKS})
  if(arg_RESOURCES)
    list(POP_FRONT arg_RESOURCES prefix)
    qt_add_resources(${name} "${name}_resources" PREFIX "${prefix}" FILES ${arg_RESOURCES})
  endif()
  add_executable(${name}_links ${CMAKE_SOURCE_DIR}/cmake/linkcheck.cpp)
  target_link_libraries(${name}_links PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
  set_target_properties(${name}_links PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                 ${CMAKE_BINARY_DIR}/linkcheck)
endfunction()

# zv_server_lines(<name> <line0> <line1> <line2> <line3>)
#   The server line table (startup/serverlines.cpp) for the given addresses: the program is linked
#   with the build's; a test program may be linked with others.
function(zv_server_lines name line0 line1 line2 line3)
  zv_library(${name} SOURCES ${CMAKE_SOURCE_DIR}/startup/serverlines.cpp LINKS zv_base)
  target_compile_definitions(${name} PRIVATE ZV_LINE0_URL="${line0}" ZV_LINE1_URL="${line1}"
                                             ZV_LINE2_URL="${line2}" ZV_LINE3_URL="${line3}")
endfunction()

# zv_automoc_where_needed(<directory>)
#   Qt's moc runs only for the targets that have something for it: a source, or the header of the
#   same name beside a source, that declares a Q_OBJECT, Q_GADGET or Q_NAMESPACE. For every other target (the
#   link checks, most test programs) the automatic moc step would only scan and find nothing.
#   Walks the directory and those below it; called once, after every target is declared.
function(zv_automoc_where_needed dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "LIBRARY|EXECUTABLE")
      continue()
    endif()
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(needed OFF)
    foreach(source IN LISTS sources)
      if(source MATCHES "^\\$<" OR needed)
        continue()
      endif()
      if(NOT IS_ABSOLUTE ${source})
        set(source ${source_dir}/${source})
      endif()
      string(REGEX REPLACE "\\.cpp$" ".h" header ${source})
      foreach(file IN ITEMS ${source} ${header})
        if(EXISTS ${file})
          file(STRINGS ${file} declares REGEX "Q_OBJECT|Q_GADGET|Q_NAMESPACE" LIMIT_COUNT 1)
          if(declares)
            set(needed ON)
          endif()
        endif()
      endforeach()
    endforeach()
    if(NOT needed)
      set_target_properties(${target} PROPERTIES AUTOMOC OFF)
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    zv_automoc_where_needed(${subdirectory})
  endforeach()
endfunction()
