# Backtracking Sudoku solver on a flat list of 81 cells: solve fills the
# empty cells in order, ok checks a digit against its row, column and box.
set puzzle "530070000600195000098000060800060003400803001700020006060000280000419005000080079"

proc ok {pos d} {
    global g
    set r [expr {$pos / 9}]
    set c [expr {$pos - $r * 9}]
    set box [expr {($r / 3) * 27 + ($c / 3) * 3}]
    set good 1
    for {set i 0} {$i < 9} {incr i} {
        set va [lindex $g [expr {$r * 9 + $i}]]
        set vb [lindex $g [expr {$i * 9 + $c}]]
        set vc [lindex $g [expr {$box + ($i / 3) * 9 + ($i - ($i / 3) * 3)}]]
        if {$va == $d || $vb == $d || $vc == $d} {
            set good 0
            set i 9
        }
    }
    return $good
}

proc solve {k} {
    global g empties free tries
    if {$k == $free} {
        return 1
    }
    set pos [lindex $empties $k]
    set found 0
    for {set d 1} {$d <= 9} {incr d} {
        if {[ok $pos $d]} {
            lset g $pos $d
            incr tries
            if {[solve [expr {$k + 1}]]} {
                set found 1
                set d 9
            }
            if {$found == 0} {
                lset g $pos 0
            }
        }
    }
    return $found
}

proc main {n} {
    global g empties free tries puzzle
    set total 0
    set tries 0
    for {set round 0} {$round < $n} {incr round} {
        set g {}
        set empties {}
        set p 0
        foreach ch [split $puzzle ""] {
            lappend g [scan $ch %d]
            if {$ch eq "0"} {
                lappend empties $p
            }
            incr p
        }
        set free [llength $empties]
        set solved [solve 0]
        set k 0
        foreach x $g {
            incr k
            incr total [expr {$x * $k}]
        }
        incr total $solved
    }
    puts "CHECKSUM $total $tries"
}

main [lindex $argv 0]
