# The program's version for the windows (the About box, the status bar).
if(TARGET brindle_ui)
    target_compile_definitions(brindle_ui PUBLIC BRINDLE_VERSION_TEXT="${PROJECT_VERSION}")
endif()

# `cmake --install <build> --prefix <prefix>`: the programs in <prefix>/bin, their resources in
# <prefix>/share/brindleftp (where an installed program looks for them, beside its bin folder),
# and the desktop entry with its icon where desktops find them.
if(TARGET brindleftp)
    install(TARGETS brindleftp brindleftp-cli brindleftp-crash-question RUNTIME DESTINATION bin)
    install(DIRECTORY resources/ DESTINATION share/brindleftp
            PATTERN brindleftp.desktop EXCLUDE)
    install(FILES resources/icons/brindleftp.svg
            DESTINATION share/icons/hicolor/scalable/apps)

    # The entry names the installed program and icon by their full paths, so it starts this
    # installation whatever the prefix and whether or not <prefix>/bin is on the PATH.
    install(CODE "set(BRINDLE_DESKTOP_SOURCE \"${CMAKE_CURRENT_SOURCE_DIR}/resources/brindleftp.desktop\")")
    install(CODE [[
        set(exec "${CMAKE_INSTALL_PREFIX}/bin/brindleftp")
        string(REPLACE "%" "%%" exec "${exec}")
        # A path with a character the Exec key reserves is quoted, with \ " ` $ escaped.
        if(exec MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
            foreach(reserved "\\" "\"" "`" "$")
                string(REPLACE "${reserved}" "\\${reserved}" exec "${exec}")
            endforeach()
            set(exec "\"${exec}\"")
        endif()
        # Then the escapes of every string value of the file.
        string(REPLACE "\\" "\\\\" exec "${exec}")
        set(icon "${CMAKE_INSTALL_PREFIX}/share/icons/hicolor/scalable/apps/brindleftp.svg")
        string(REPLACE "\\" "\\\\" icon "${icon}")

        file(READ "${BRINDLE_DESKTOP_SOURCE}" entry)
        string(REPLACE "\nExec=brindleftp\n" "\nExec=${exec}\n" entry "${entry}")
        string(REPLACE "\nIcon=brindleftp\n" "\nIcon=${icon}\n" entry "${entry}")
        set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/brindleftp.desktop")
        message(STATUS "Installing: ${target}")
        file(WRITE "${target}" "${entry}")
        list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${target}")
    ]])
endif()
