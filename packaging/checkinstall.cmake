# Installs the build into a folder whose name needs quoting in a desktop entry, checks the
# folder, moves it and lets its script add the entry to a user's menu.
#   cmake -DBUILD=<build dir> -DWORK=<scratch dir> -P checkinstall.cmake
file(REMOVE_RECURSE ${WORK})
set(folder "${WORK}/Zelvar 快报 100%")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${folder}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()

foreach(f zvkb ts.wav ts1.wav ts2.wav zvkb.png zvkb.desktop install-desktop-entry.sh)
  if(NOT EXISTS "${folder}/${f}")
    message(FATAL_ERROR "${f} is missing from the installed folder")
  endif()
endforeach()
if(NOT IS_DIRECTORY "${folder}/dat")
  message(FATAL_ERROR "dat is missing from the installed folder")
endif()
foreach(f config.ini trace.log)
  if(EXISTS "${folder}/${f}")
    message(FATAL_ERROR "${f} of the build tree was installed")
  endif()
endforeach()
file(READ "${folder}/zvkb.png" png LIMIT 8 HEX)
if(NOT png STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "zvkb.png is not a PNG")
endif()

# The lines an entry must hold; exec is the folder as Exec spells it.
function(expect_entry file dir exec)
  file(READ "${file}" entry)
  foreach(line "Name=Zelvar快报" "Exec=\"${exec}/zvkb\"" "Path=${dir}" "Icon=${dir}/zvkb.png"
               "Type=Application")
    string(FIND "${entry}" "\n${line}\n" at)
    if(at LESS 0)
      message(FATAL_ERROR "${file} lacks the line ${line}:\n${entry}")
    endif()
  endforeach()
endfunction()
expect_entry("${folder}/zvkb.desktop" "${folder}" "${WORK}/Zelvar 快报 100%%")

# A moved folder: the script writes the entry for where it is now.
set(moved "${WORK}/moved $dir")
file(RENAME "${folder}" "${moved}")
set(ENV{XDG_DATA_HOME} "${WORK}/data")
execute_process(COMMAND sh "${moved}/install-desktop-entry.sh" RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install-desktop-entry.sh failed")
endif()
expect_entry("${WORK}/data/applications/zvkb.desktop" "${moved}" "${WORK}/moved \\\\$dir")
file(REMOVE_RECURSE ${WORK})
