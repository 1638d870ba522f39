#!/usr/bin/perl
# Fails when the units of a source folder include each other in a loop, naming every loop found.
# A unit is a header with its source (collect/mCollect.h and .cpp); unit A depends on unit B when
# either file of A has #include "..." of a file of B. Names resolve against the folder itself
# (the program's include root), then against the including file's own folder.
# Usage: include-cycles.pl <folder>        Exit: 0 no loop, 1 a loop, 2 usage.
use strict;
use warnings;

my $root = shift @ARGV;
die "usage: $0 <folder>\n" unless defined $root && -d $root;
$root =~ s{/+$}{};

my @files;
sub walk {
  my ($dir) = @_;
  opendir(my $dh, $dir) or die "$dir: $!\n";
  for my $name (sort grep { !/^\./ } readdir $dh) {
    my $path = "$dir/$name";
    if (-d $path) { walk($path) }
    elsif ($name =~ /\.(?:h|cpp)$/) { push @files, substr($path, length($root) + 1) }
  }
  closedir $dh;
}
walk($root);

sub unit_of { my ($file) = @_; $file =~ s/\.(?:h|cpp)$//; return $file }

my %exists = map { $_ => 1 } @files;
my (%edges, %units);
for my $file (@files) {
  my $unit = unit_of($file);
  $units{$unit} = 1;
  (my $dir = $file) =~ s{[^/]*$}{};
  open(my $fh, '<', "$root/$file") or die "$root/$file: $!\n";
  while (my $line = <$fh>) {
    next unless $line =~ /^\s*#\s*include\s*"([^"]+)"/;
    my $target = $exists{$1} ? $1 : $exists{"$dir$1"} ? "$dir$1" : undef;
    next unless defined $target;
    my $to = unit_of($target);
    $edges{$unit}{$to} = 1 unless $to eq $unit;
  }
  close $fh;
}

# Strongly connected components (Tarjan): every component of more than one unit holds a loop.
my ($index, @stack, %onstack, %idx, %low, @components) = (0);
sub connect_unit {
  my ($v) = @_;
  $idx{$v} = $low{$v} = $index++;
  push @stack, $v;
  $onstack{$v} = 1;
  for my $w (sort keys %{ $edges{$v} || {} }) {
    if (!exists $idx{$w}) { connect_unit($w); $low{$v} = $low{$w} if $low{$w} < $low{$v} }
    elsif ($onstack{$w}) { $low{$v} = $idx{$w} if $idx{$w} < $low{$v} }
  }
  return unless $low{$v} == $idx{$v};
  my @component;
  while (1) {
    my $w = pop @stack;
    delete $onstack{$w};
    push @component, $w;
    last if $w eq $v;
  }
  push @components, [sort @component] if @component > 1;
}
for my $unit (sort keys %units) { connect_unit($unit) unless exists $idx{$unit} }

# One shortest loop through the first unit of a component, to name it.
sub loop_through {
  my ($start, $inside) = @_;
  my %from = ($start => undef);
  my @queue = ($start);
  while (@queue) {
    my $v = shift @queue;
    for my $w (sort keys %{ $edges{$v} || {} }) {
      next unless $inside->{$w};
      if ($w eq $start) {
        my @path = ($v);
        unshift @path, $from{ $path[0] } while defined $from{ $path[0] };
        return (@path, $start);
      }
      next if exists $from{$w};
      $from{$w} = $v;
      push @queue, $w;
    }
  }
  return ();
}

for my $component (@components) {
  my %inside = map { $_ => 1 } @$component;
  printf "include loop among %d units: %s\n", scalar @$component, join(' -> ', loop_through($component->[0], \%inside));
  print "  units in it: @$component\n";
}
if (@components) { exit 1 }
printf "no include loop among %d units of %s\n", scalar keys %units, $root;
exit 0;
