proc fibl {n} {
    if {$n < 2} {
        return $n
    }
    return [expr {[fibl [expr {$n - 1}]] + [fibl [expr {$n - 2}]]}]
}

puts "CHECKSUM [fibl [lindex $argv 0]]"
