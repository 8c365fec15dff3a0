# The Debian package of a build folder: made by CPack, checked by lintian (an error fails), its
# files and relations checked, and the member's start at login of the installed program tried.
# e2e_package then runs the program from it.
#   cmake -DBUILD=<build dir> -DCPACK=<cpack> -DDEB=<package file> -DWORK=<scratch dir>
#         -DLINKED=<libraries the program links, as the build found them> -P checkpackage.cmake
file(REMOVE_RECURSE ${WORK} ${DEB})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT EXISTS ${DEB})
  message(FATAL_ERROR "cpack -G DEB made no ${DEB}:\n${out}")
endif()

find_program(LINTIAN lintian REQUIRED)
execute_process(COMMAND ${LINTIAN} --fail-on error ${DEB} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
message(STATUS "lintian:\n${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lintian found errors")
endif()

# The program's files and nothing else: no test, no development service, no benchmark.
execute_process(COMMAND dpkg-deb --fsys-tarfile ${DEB} COMMAND tar -t
                OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" files "${listing}")
list(FILTER files EXCLUDE REGEX "/$")
set(expected
    ./usr/bin/zvkb
    ./usr/lib/zvkb/install-desktop-entry.sh
    ./usr/lib/zvkb/ts.wav
    ./usr/lib/zvkb/ts1.wav
    ./usr/lib/zvkb/ts2.wav
    ./usr/lib/zvkb/zvkb
    ./usr/share/applications/zvkb.desktop
    ./usr/share/doc/zvkb/changelog.gz
    ./usr/share/doc/zvkb/copyright
    ./usr/share/icons/hicolor/256x256/apps/zvkb.png
    ./usr/share/icons/hicolor/48x48/apps/zvkb.png
    ./usr/share/icons/hicolor/scalable/apps/zvkb.svg
    ./usr/share/man/man1/zvkb.1.gz
    ./usr/share/zvkb/apparmor.d/zvkb)
list(SORT files)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "the package holds\n${listing}")
endif()

# Libraries as the binaries link them, each by the package that holds it on this release
# (Debian 13's 64-bit time transition renamed some: libqt6core6t64), and what the program loads
# without linking.
execute_process(COMMAND dpkg-deb -f ${DEB} Depends Recommends OUTPUT_VARIABLE control
                COMMAND_ERROR_IS_FATAL ANY)
set(relations "libqt6webenginecore6-bin" "qt6-qpa-plugins" "qt6-translations-l10n"
              "fonts-wqy-microhei [|]" "Recommends: fcitx5-frontend-qt6 [|] ibus")
if(NOT LINKED)
  message(FATAL_ERROR "no -DLINKED: which libraries the program links is not known")
endif()
foreach(library ${LINKED})
  file(REAL_PATH ${library} file)
  execute_process(COMMAND dpkg-query -S ${file} OUTPUT_VARIABLE owner COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX REPLACE ":.*" "" owner "${owner}")
  list(APPEND relations "${owner} [(]>=")
endforeach()
foreach(relation ${relations})
  if(NOT control MATCHES "${relation}")
    message(FATAL_ERROR "no ${relation} in\n${control}")
  endif()
endforeach()

# Start at login for the installed program: the member's own autostart entry, without root.
set(root ${WORK}/root)
file(MAKE_DIRECTORY ${root})
execute_process(COMMAND dpkg-deb -x ${DEB} ${root} COMMAND_ERROR_IS_FATAL ANY)
find_program(VALIDATE desktop-file-validate REQUIRED)
set(system_entry ${root}/usr/share/applications/zvkb.desktop)
execute_process(COMMAND ${VALIDATE} ${system_entry} OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT out STREQUAL "")
  message(FATAL_ERROR "the menu entry does not validate:\n${out}")
endif()
set(ENV{XDG_CONFIG_HOME} "${WORK}/配置 config")
set(ENV{XDG_DATA_HOME} "${WORK}/data")
set(script ${root}/usr/lib/zvkb/install-desktop-entry.sh)
set(login "${WORK}/配置 config/autostart/zvkb.desktop")
foreach(how "" --autostart)
  execute_process(COMMAND ${script} ${how} RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "install-desktop-entry.sh ${how} of the package failed")
  endif()
endforeach()
if(EXISTS ${WORK}/data)
  message(FATAL_ERROR "a member's menu entry was written beside the system's")
endif()
file(READ "${login}" written)
file(READ ${system_entry} system)
if(NOT written STREQUAL system)
  message(FATAL_ERROR "the autostart entry is not the menu entry:\n${written}")
endif()
execute_process(COMMAND ${script} --remove COMMAND_ERROR_IS_FATAL ANY)
if(EXISTS "${login}")
  message(FATAL_ERROR "--remove left ${login}")
endif()

# AppArmor: the grant of user namespaces goes to this program and the engine helpers it starts,
# never to the helper of every Qt WebEngine program (a profile attached to its path would be).
file(GLOB profiles ${root}/usr/share/zvkb/apparmor.d/*)
foreach(profile ${profiles})
  file(STRINGS ${profile} attachments REGEX "^profile +[^ ]+ +/")
  foreach(line ${attachments})
    if(NOT line MATCHES "^profile +[^ ]+ +/usr/lib/zvkb/")
      message(FATAL_ERROR "${profile} attaches to a program not of this package: ${line}")
    endif()
  endforeach()
endforeach()
file(READ ${root}/usr/share/zvkb/apparmor.d/zvkb profile)
if(NOT profile MATCHES "qt6/libexec/QtWebEngineProcess cx -> engine,"
   OR NOT profile MATCHES "\n  profile engine flags=\\(unconfined\\) {\n    userns,")
  message(FATAL_ERROR "the program's profile does not give its engine helpers their grant:\n${profile}")
endif()

# The maintainer scripts, on a system root of the test's own (dpkg's DPKG_ROOT): the profile goes
# in only where AppArmor 4 can read it, an earlier version's helper profile goes away, and removing
# the package takes everything out again.
execute_process(COMMAND dpkg-deb -e ${DEB} ${WORK}/control COMMAND_ERROR_IS_FATAL ANY)
set(etc ${root}/etc/apparmor.d)
function(maintainer_script name argument)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DPKG_ROOT=${root} sh ${WORK}/control/${name}
                          ${argument} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} ${argument} failed:\n${out}")
  endif()
endfunction()
file(MAKE_DIRECTORY ${etc})
maintainer_script(postinst configure)
if(EXISTS ${etc}/zvkb)
  message(FATAL_ERROR "postinst put a profile for AppArmor 4 where AppArmor 3 reads it")
endif()
file(WRITE ${etc}/abi/4.0 "")
file(WRITE ${etc}/zvkb-engine "profile zvkb-engine /usr/lib/qt6/libexec/QtWebEngineProcess {}\n")
maintainer_script(postinst configure)
file(READ ${etc}/zvkb installed)
if(NOT installed STREQUAL profile OR EXISTS ${etc}/zvkb-engine)
  message(FATAL_ERROR "postinst on AppArmor 4: the program's profile in place, no helper profile")
endif()
maintainer_script(postrm remove)
if(EXISTS ${etc}/zvkb)
  message(FATAL_ERROR "postrm left ${etc}/zvkb")
endif()
file(REMOVE_RECURSE ${WORK})
