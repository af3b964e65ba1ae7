object C: TTestComp
  Link = C
end
