# Tests of the local sandbox service (included from this folder's CMakeLists).
qimport_add_test(TestSandboxLogic SOURCES ${CMAKE_CURRENT_LIST_DIR}/sandbox_logic.cpp LIBS qimport_sandbox_lib)
qimport_add_test(TestSandboxProcess SOURCES ${CMAKE_CURRENT_LIST_DIR}/sandbox_process.cpp LIBS qimport_test_common Qt6::Network)
qimport_needs_sandbox(TestSandboxProcess)
