# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch folder and checks that everything a desktop needs is there.
# Run with -DBUILD_DIR=... -DSTAGE=... -DICON_SIZES=16;22;...
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${STAGE}/usr"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(expected
    usr/bin/quirella
    usr/bin/quirella-cli
    usr/share/applications/org.quirella.TagEditor.desktop
    usr/share/metainfo/org.quirella.TagEditor.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/quirella.svg
    usr/share/man/man1/quirella.1.gz
    usr/share/man/man1/quirella-cli.1.gz
    usr/share/bash-completion/completions/quirella-cli
    usr/share/zsh/vendor-completions/_quirella-cli
    usr/share/fish/vendor_completions.d/quirella-cli.fish
    usr/share/doc/quirella/copyright
    usr/share/quirella/translations/quirella_de.qm)
foreach(size IN LISTS ICON_SIZES)
    list(APPEND expected "usr/share/icons/hicolor/${size}x${size}/apps/quirella.png")
endforeach()
foreach(path IN LISTS expected)
    if(NOT EXISTS "${STAGE}/${path}")
        message(FATAL_ERROR "missing from the install: ${path}")
    endif()
endforeach()
file(READ "${STAGE}/usr/share/icons/hicolor/48x48/apps/quirella.png" header LIMIT 8 HEX)
if(NOT header STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "the 48x48 icon is not a PNG")
endif()
file(REMOVE_RECURSE "${STAGE}")
message(STATUS "install layout complete")
