# Why a URL cannot be a network endpoint, in `out` (empty when it can): https only, except for
# the loopback host (127.x.y.z, localhost, [::1]), which may use http; a host and no user name;
# nothing that would need escaping in a C++ string or a header. The program checks the same.
function(talvora_endpoint_problem url out)
    set(problem "")
    string(FIND "${url}" "\\" backslash)
    if(url MATCHES "[^!-~]" OR url MATCHES "[\"<>]" OR NOT backslash EQUAL -1)
        set(problem "it contains a space, a quote, a backslash or a character outside printable ASCII")
    elseif(url MATCHES "^[hH][tT][tT][pP][sS]://[^/?#@:]+(:[0-9]+)?([/?#].*)?$")
    elseif(url MATCHES "^[hH][tT][tT][pP]://(127\\.[0-9]+\\.[0-9]+\\.[0-9]+|[lL][oO][cC][aA][lL][hH][oO][sS][tT]|\\[::1\\])(:[0-9]+)?([/?#].*)?$")
    else()
        set(problem "only https URLs with a host are allowed (http only for 127.0.0.1, localhost or [::1]), and no user name")
    endif()
    set(${out} "${problem}" PARENT_SCOPE)
endfunction()
