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

# Every entry written must pass the desktop-file-utils validator.
find_program(VALIDATE desktop-file-validate REQUIRED)
function(expect_valid file)
  execute_process(COMMAND ${VALIDATE} "${file}" RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "${file} does not validate:\n${out}")
  endif()
endfunction()
expect_valid("${folder}/zvkb.desktop")

function(run_script)
  execute_process(COMMAND sh "${moved}/install-desktop-entry.sh" ${ARGN} RESULT_VARIABLE rc
                  OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "install-desktop-entry.sh ${ARGN} failed")
  endif()
endfunction()

# A moved folder: the script writes the entries for where it is now, into the user's data and
# config folders (names with a blank and Chinese in them).
set(moved "${WORK}/moved $dir")
file(RENAME "${folder}" "${moved}")
set(ENV{XDG_DATA_HOME} "${WORK}/数据 data")
set(ENV{XDG_CONFIG_HOME} "${WORK}/配置 config")
set(menu "${WORK}/数据 data/applications/zvkb.desktop")
set(login "${WORK}/配置 config/autostart/zvkb.desktop")
run_script()
expect_entry("${menu}" "${moved}" "${WORK}/moved \\\\$dir")
expect_valid("${menu}")
if(EXISTS "${login}")
  message(FATAL_ERROR "the menu entry alone started the program at login")
endif()
run_script(--autostart)
expect_entry("${login}" "${moved}" "${WORK}/moved \\\\$dir")
expect_valid("${login}")
run_script(--remove)
foreach(entry "${menu}" "${login}")
  if(EXISTS "${entry}")
    message(FATAL_ERROR "--remove left ${entry}")
  endif()
endforeach()

# A folder whose name holds what a desktop entry must escape: the quote, backquote, dollar and
# backslash of Exec's quoting, and a tab. (No "%" here: GLib looks for Exec's program before it
# reads "%%" as "%".) Every entry written for it validates, and GLib's own reader, launching it,
# starts this folder's program in this folder.
set(odd "${WORK}/q\"uote `tick` $HOME back\\slash\ttab")
file(RENAME "${moved}" "${odd}")
set(moved "${odd}")
file(WRITE "${odd}/zvkb" [=[#!/bin/sh
printf '%s\n%s\n' "$0" "$(pwd)" >"$ZV_LAUNCHED"
]=])
file(CHMOD "${odd}/zvkb" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(ENV{ZV_LAUNCHED} "${WORK}/launched")
find_program(GIO gio REQUIRED)
function(expect_launches entry)
  file(REMOVE "${WORK}/launched")
  execute_process(COMMAND ${GIO} launch "${entry}" RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gio launch ${entry} failed: ${err}")
  endif()
  foreach(i RANGE 50)
    if(EXISTS "${WORK}/launched")
      break()
    endif()
    execute_process(COMMAND sleep 0.1)
  endforeach()
  file(READ "${WORK}/launched" launched)
  if(NOT launched STREQUAL "${odd}/zvkb\n${odd}\n")
    message(FATAL_ERROR "${entry} started\n${launched}instead of ${odd}/zvkb in ${odd}")
  endif()
endfunction()
foreach(how "" --autostart --here)
  run_script(${how})
endforeach()
foreach(entry "${menu}" "${login}" "${odd}/zvkb.desktop")
  expect_valid("${entry}")
  expect_launches("${entry}")
endforeach()

execute_process(COMMAND sh "${moved}/install-desktop-entry.sh" --bogus RESULT_VARIABLE rc
                ERROR_VARIABLE usage)
if(NOT rc EQUAL 2 OR NOT usage MATCHES "--autostart")
  message(FATAL_ERROR "an unknown option gave ${rc}: ${usage}")
endif()
file(REMOVE_RECURSE ${WORK})
