# cmake -DURL=<url> -P check_endpoint.cmake: fails, saying why, when the URL cannot be an endpoint.
include(${CMAKE_CURRENT_LIST_DIR}/endpoint_rules.cmake)
talvora_endpoint_problem("${URL}" problem)
if(problem)
    message(FATAL_ERROR "${problem}")
endif()
