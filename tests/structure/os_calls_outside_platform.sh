#!/bin/sh
# Lists calls of operating-system services (environment, signals, processes,
# loading, device control, file status) made outside src/platform; fails when
# there is one. Usage: os_calls_outside_platform.sh <source folder>
src="$1"
calls='getenv|secure_getenv|setenv|unsetenv|putenv|signal|sigaction|fork|vfork|execv|execvp|execve|execl|execlp|posix_spawn|posix_spawnp|dlopen|dlsym|ioctl|stat|lstat|popen'
found=$(cd "$src" && grep -rnE "(^|[^A-Za-z0-9_.>:])(std::|::)?($calls)[[:space:]]*\(" --include='*.cpp' --include='*.h' --include='*.c' . |
        grep -v '^\./platform/')
[ -z "$found" ] && exit 0
printf '%s\n' "$found"
exit 1
