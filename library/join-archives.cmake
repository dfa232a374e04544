# SPDX-License-Identifier: MIT
# cmake -DAR=... -DSCRIPT=... -P join-archives.cmake: runs ar with the MRI script on its
# standard input, which add_custom_command cannot redirect.
execute_process(COMMAND ${AR} -M INPUT_FILE ${SCRIPT} COMMAND_ERROR_IS_FATAL ANY)
