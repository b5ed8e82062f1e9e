# bash completion for difscop-cli: subcommands, format names, each
# subcommand's options and their fixed values, and file names.

_difscop_cli() {
  local cur prev words cword
  _init_completion 2>/dev/null || {
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
  }

  local subcommands="info export render smooth peaks background fit strip-ka2 index index-input cellref cell-solutions phase"
  local formats="rint mac rad hermes xy int sim rigaku gsas xylib free columns igor cif prf auto"
  local peak_search="--threshold --diff --ka2 --range"
  local xray_source="--ka1 --ka2-wavelength --ratio --wavelength-tolerance --intensity-tolerance"

  if [[ $cword -eq 1 ]]; then
    COMPREPLY=($(compgen -W "$subcommands --help -h --version" -- "$cur"))
    return
  fi

  local sub=${words[1]} options=""
  case $sub in
    info) options="--wavelength --json -j" ;;
    export) options="--to --data-type --smooth --out --out-dir --wavelength -j" ;;
    render) options="--out --view --x --y --out-dir --out-type --size --dpi --mono --scheme --range --wavelength --phase
                     --block --neutron --profile -j" ;;
    smooth) options="--points --out --out-dir -j" ;;
    peaks) options="$peak_search $xray_source --wavelength --json -j" ;;
    background) options="--points --auto --window --out-dir -j" ;;
    fit) options="--range --shape --split --asym --no-ka2 --k --instrument --standard --ka1 --ka2-wavelength
                  --ratio --json -j" ;;
    strip-ka2) options="--out --out-dir --window --whole --ka1 --ka2-wavelength --ratio -j" ;;
    index) options="$peak_search $xray_source --manual --lines --spurious --systems --tolerance
                    --zero-range --zero-shift --displacement --max-edge --volume --threads
                    --solution --cellref --out-dir --wavelength --json -j" ;;
    index-input) options="--out-dir $peak_search --manual --wavelength -j" ;;
    cellref) options="--out --solution --peaks --wavelength" ;;
    cell-solutions) options="" ;;
    phase) options="--wavelength --block --neutron --range --monochromator --json -j" ;;
    *) return ;;
  esac
  options="$options --help"

  # The value of the option before the cursor.
  case $prev in
    --to) COMPREPLY=($(compgen -W "rietan rietan-general gsas fullprof rietica dbw powderx xy" -- "$cur")); return ;;
    --data-type) COMPREPLY=($(compgen -W "0 1 2 3" -- "$cur")); return ;;
    --ka2) COMPREPLY=($(compgen -W "yes no" -- "$cur")); return ;;
    --shape) COMPREPLY=($(compgen -W "pv pvii" -- "$cur")); return ;;
    --out-type) COMPREPLY=($(compgen -W "png svg pdf bmp emf smp" -- "$cur")); return ;;
    --scheme) COMPREPLY=($(compgen -W "paper screen" -- "$cur")); return ;;
    --view) COMPREPLY=($(compgen -W "overlay stack map" -- "$cur")); return ;;
    --x) COMPREPLY=($(compgen -W "2theta d q" -- "$cur")); return ;;
    --y) COMPREPLY=($(compgen -W "linear sqrt log" -- "$cur")); return ;;
    --systems)
      COMPREPLY=($(compgen -W "cubic tetragonal hexagonal rhombohedral orthorhombic monoclinic triclinic" -- "${cur##*,}"))
      [[ $cur == *,* ]] && COMPREPLY=("${COMPREPLY[@]/#/${cur%,*},}")
      return ;;
    --out-dir) COMPREPLY=($(compgen -d -- "$cur")); return ;;
    --out|--cellref|--peaks|--phase) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --threshold|--diff|--range|--ka1|--ka2-wavelength|--ratio|--wavelength-tolerance|\
    --intensity-tolerance|--wavelength|--smooth|--points|--size|--dpi|--manual|--lines|\
    --spurious|--solution|--window|--k|--instrument|--block|--profile|--monochromator|-j|\
    --tolerance|--zero-range|--max-edge|--volume|--threads)
      return ;;
  esac

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi

  # The first word after the subcommand (after the program name for
  # index-input, the listing kind for cellref) is the format; then files.
  local first=2
  case $sub in
    index-input)
      if [[ $cword -eq 2 ]]; then COMPREPLY=($(compgen -W "ito treor dicvol cell" -- "$cur")); return; fi
      first=3 ;;
    cellref)
      if [[ $cword -eq 2 ]]; then COMPREPLY=($(compgen -W "treor ito" -- "$cur")); return; fi
      first=99 ;;
    cell-solutions|phase) first=99 ;;
  esac
  if [[ $cword -eq $first ]]; then
    COMPREPLY=($(compgen -W "$formats" -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -f -- "$cur"))
  compopt -o filenames 2>/dev/null
}
complete -F _difscop_cli difscop-cli
