-- pandoc filter for the HTML guide: the page's title is the text of the
-- guide's first top-level heading, so that it follows the guide as it is
-- rewritten.
function Pandoc(doc)
  if doc.meta.pagetitle == nil then
    for _, block in ipairs(doc.blocks) do
      if block.t == 'Header' and block.level == 1 then
        doc.meta.pagetitle = pandoc.utils.stringify(block)
        break
      end
    end
  end
  return doc
end
