# The long build scripts' steps (windows.sh, cross.sh), sourced by them: each step's heading, its
# time appended to $out/timings.txt, and commands run as root.
step() { printf '\n== %s (%s)\n' "$1" "$(date -u +%H:%M:%S)"; }
# Prints how long a step took, for the timings in the documentation.
timed() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    printf '== %s took %d s\n' "$name" $((SECONDS - start)) | tee -a "$out/timings.txt"
}
as_root() {
    if [ "$(id -u)" -eq 0 ]; then env DEBIAN_FRONTEND=noninteractive "$@"
    else sudo env DEBIAN_FRONTEND=noninteractive "$@"; fi
}
