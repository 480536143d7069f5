# Flags every target of the project shares: warnings, and no silent
# conversions between QString and 8-bit text or URLs.
add_library(velto_common INTERFACE)
target_compile_options(velto_common INTERFACE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
if(VELTO_WARNINGS_AS_ERRORS)
    target_compile_options(velto_common INTERFACE -Werror)
endif()
target_compile_definitions(velto_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_NO_KEYWORDS
)
