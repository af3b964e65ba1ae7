object R: TTestRoot
  object Q: TTestComp
    Items = <
      item
        Target = Later
      end>
    Items = <>
  end
  object Later: TTestComp
  end
end
