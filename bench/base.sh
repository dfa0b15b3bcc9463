# Sourced by compare.sh and same-bytes.sh: builds the tool as it stood at a commit.
# build_base REV DIR: checks REV out into DIR.src (a detached worktree, removed again) and builds
# its Release zelko and genpage into DIR; prints nothing but failures.
build_base() {
  local rev=$1 dir=$2 top
  top=$(git rev-parse --show-toplevel)
  git -C "$top" worktree add --detach --force "$dir.src" "$rev" >/dev/null 2>&1
  cmake -S "$dir.src" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DZELKO_TESTS=OFF >/dev/null
  cmake --build "$dir" --target zelko genpage -j2 >/dev/null
  git -C "$top" worktree remove --force "$dir.src"
}

# build_work DIR: builds the working tree's Release zelko and genpage into DIR.
build_work() {
  local dir=$1 top
  top=$(git rev-parse --show-toplevel)
  cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DZELKO_TESTS=OFF >/dev/null
  cmake --build "$dir" --target zelko genpage -j2 >/dev/null
}

# make_rows FILE: one table of 1,000,000 rows, the bench's page for memory per table.
make_rows() {
  local file=$1 r k
  for ((r = 0; r < 1000; r++)); do printf '<tr><td>%d</td><td rowspan=2>a</td><td>b</td></tr>\n' "$r"; done >"$file.rows"
  { printf '<table class="long">\n'
    for ((k = 0; k < 1000; k++)); do cat "$file.rows"; done
    printf '</table>\n'
  } >"$file"
  rm "$file.rows"
}
