# Which folders may include the headers of an outside library: SQLite only in the store's
# SQLite backend, libpq only in its PostgreSQL backend, libxlsxwriter only in export,
# libsodium only in users, libzint only in barcode, libzip only in import. Run with
# -DSRC=<the src folder>.
set(rules
    "sqlite3.h|store/sqlite/"
    "libpq-fe.h|store/postgres/"
    "xlsxwriter.h|export/"
    "sodium.h|users/"
    "zint.h|barcode/"
    "zip.h|import/")
file(GLOB_RECURSE files RELATIVE "${SRC}" "${SRC}/*.cpp" "${SRC}/*.h")
set(broken "")
foreach(file ${files})
    file(STRINGS "${SRC}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(rule ${rules})
        string(REPLACE "|" ";" parts "${rule}")
        list(GET parts 0 header)
        list(GET parts 1 folder)
        string(REPLACE "." "\\." pattern "${header}")
        foreach(line ${includes})
            if(line MATCHES "[<\"/]${pattern}[>\"]")
                string(FIND "${file}" "${folder}" at)
                if(NOT at EQUAL 0)
                    list(APPEND broken "${file} includes ${header}, which belongs to ${folder}")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()
if(broken)
    list(JOIN broken "\n  " said)
    message(FATAL_ERROR "Layer rules broken:\n  ${said}")
endif()
