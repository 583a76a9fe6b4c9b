# N-queens counted by backtracking: cols holds the column of the queen in
# each row; safe checks a square against the rows above, one recursive call
# per row.
proc safe {i row col} {
    global cols
    if {$i < 0} {
        return 1
    }
    set q [lindex $cols $i]
    if {$q == $col} {
        return 0
    }
    if {$q - $col == $row - $i} {
        return 0
    }
    if {$col - $q == $row - $i} {
        return 0
    }
    return [safe [expr {$i - 1}] $row $col]
}

proc place {row} {
    global cols n placed
    if {$row == $n} {
        return 1
    }
    set count 0
    for {set col 0} {$col < $n} {incr col} {
        if {[safe [expr {$row - 1}] $row $col]} {
            lset cols $row $col
            incr placed
            incr count [place [expr {$row + 1}]]
        }
    }
    return $count
}

set n [lindex $argv 0]
set cols [lrepeat $n 0]
set placed 0
set solutions [place 0]
puts "CHECKSUM $solutions $placed"
