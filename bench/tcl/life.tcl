# Game of Life on a 32 x 32 torus held as a list of row lists; at reads a
# cell with wrap-around, every generation builds a new grid.
set side 32

proc at {r c} {
    global grid side
    set row [lindex $grid [expr {($r + $side) - (($r + $side) / $side) * $side}]]
    return [lindex $row [expr {($c + $side) - (($c + $side) / $side) * $side}]]
}

proc main {n} {
    global grid side
    set seed 7
    set grid {}
    for {set r 0} {$r < $side} {incr r} {
        set row {}
        for {set c 0} {$c < $side} {incr c} {
            set seed [expr {($seed * 75 + 74) - (($seed * 75 + 74) / 65537) * 65537}]
            set alive 0
            if {$seed > 43690} {
                set alive 1
            }
            lappend row $alive
        }
        lappend grid $row
    }
    for {set gen 0} {$gen < $n} {incr gen} {
        set next {}
        for {set r 0} {$r < $side} {incr r} {
            set nextrow {}
            set here [lindex $grid $r]
            for {set c 0} {$c < $side} {incr c} {
                set count [expr {[at [expr {$r - 1}] [expr {$c - 1}]] + [at [expr {$r - 1}] $c] \
                    + [at [expr {$r - 1}] [expr {$c + 1}]] + [at $r [expr {$c - 1}]]}]
                incr count [expr {[at $r [expr {$c + 1}]] + [at [expr {$r + 1}] [expr {$c - 1}]] \
                    + [at [expr {$r + 1}] $c] + [at [expr {$r + 1}] [expr {$c + 1}]]}]
                set me [lindex $here $c]
                set alive 0
                if {$count == 3} {
                    set alive 1
                }
                if {$count == 2} {
                    set alive $me
                }
                lappend nextrow $alive
            }
            lappend next $nextrow
        }
        set grid $next
    }
    set live 0
    set weight 0
    set r 0
    foreach row $grid {
        set c 0
        foreach cell $row {
            if {$cell} {
                incr live
                incr weight [expr {$r * $side + $c}]
            }
            incr c
        }
        incr r
    }
    puts "CHECKSUM $live $weight"
}

main [lindex $argv 0]
